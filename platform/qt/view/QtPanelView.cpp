#include "platform/qt/view/QtPanelView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDial>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace qv {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Space between a control's label and its body.
constexpr int kLabelGap = 2;

}  // namespace

// The widgets of one control. `body` sits at the control's rect; the typed pointers name the
// parts the model's values go into.
struct ControlWidgets {
    ControlKind kind = ControlKind::CommandButton;
    bool comboString = false;  // a string control shown as an editable combo box
    QPointer<QWidget> host;
    QPointer<QWidget> body;
    QPointer<QLabel> label;
    QPointer<QPushButton> button;
    QPointer<QComboBox> combo;
    QPointer<QSpinBox> spin;
    QPointer<QDial> dial;
    QPointer<QLineEdit> line;
    QPointer<QPlainTextEdit> textBox;
    QPointer<QLabel> message;
    QPointer<QTabWidget> tabs;
    QPointer<QShortcut> shortcut;
    // The model text last put into the widget: an append to a text box adds only the new part,
    // and a string field keeps the operator's unfinished typing when another attribute changes.
    std::string shownText;
    bool syncing = false;  // the tab widget's own signal while the model switches pages
};

// The background of a panel or a tab page: a right double click there is its panel's event,
// and no click on it reaches the widgets behind.
class PanelSurface : public QWidget {
  public:
    PanelSurface(QtPanelView& view, int panel) : view_(view), panel_(panel) {}

  protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::RightButton) {
            view_.panelRightDoubleClick(panel_);
        }
        e->accept();
    }
    void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }

    QtPanelView& view_;
    int panel_;
};

// A top-level panel. Closing only asks the panel's callback; the program decides whether the
// window goes away (it quits through the event loop).
class PanelWindow : public PanelSurface {
  public:
    PanelWindow(QtPanelView& view, int panel) : PanelSurface(view, panel) {
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    bool syncing = false;

  protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        view_.windowCloseRequested(panel_);
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        view_.windowGeometryChanged(panel_);
    }
    void moveEvent(QMoveEvent* e) override {
        QWidget::moveEvent(e);
        view_.windowGeometryChanged(panel_);
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange) {
            view_.windowZoomChanged(panel_);
        }
    }
};

namespace {

// Turns right clicks on a control's widgets into the control's events and keeps Qt's own
// context menus away, since a right click on this panel means help.
class RightClickFilter : public QObject {
  public:
    RightClickFilter(QtPanelView& view, int panel, int control, QObject* parent)
        : QObject(parent), view_(view), panel_(panel), control_(control) {}

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease: {
                auto* me = static_cast<QMouseEvent*>(e);
                if (me->button() != Qt::RightButton) {
                    return false;
                }
                if (e->type() != QEvent::MouseButtonRelease) {
                    view_.rightClick(panel_, control_, e->type() == QEvent::MouseButtonDblClick);
                }
                return true;
            }
            case QEvent::ContextMenu:
                return true;
            default:
                return false;
        }
    }

  private:
    QtPanelView& view_;
    int panel_;
    int control_;
};

QString familyOrDefault(const std::string& family) {
    QString f = qs(family);
    if (!f.isEmpty() && QFontDatabase::hasFamily(f)) {
        return f;
    }
    // Fonts named after another platform's dialog font fall back to this system's UI font.
    return QApplication::font().family();
}

// A pressed-in button alone is easy to miss; an "on" toggle also takes the selection colour.
void showToggleState(QPushButton* button, bool on) {
    QPalette pal = QApplication::palette(button);
    QFont font = QApplication::font(button);
    if (on) {
        const QColor accent = pal.color(QPalette::Highlight);
        pal.setColor(QPalette::Button, accent.lighter(135));
        pal.setColor(QPalette::ButtonText, pal.color(QPalette::WindowText));
        font.setBold(true);
    }
    button->setPalette(pal);
    button->setFont(font);
}

void setRing(QComboBox* combo, const ControlState& c) {
    QStringList labels;
    for (const RingItem& item : c.items) {
        labels << qs(item.label);
    }
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) {
        shown << combo->itemText(i);
    }
    if (shown != labels) {
        combo->clear();
        combo->addItems(labels);
    }
    int index = -1;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (c.items[i].value == c.value) {
            index = static_cast<int>(i);
            break;
        }
    }
    combo->setCurrentIndex(index);
}

void setComboList(QComboBox* combo, const std::vector<std::string>& items) {
    QStringList wanted;
    for (const std::string& s : items) {
        wanted << qs(s);
    }
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) {
        shown << combo->itemText(i);
    }
    if (shown != wanted) {
        const QString edit = combo->currentText();
        combo->clear();
        combo->addItems(wanted);
        combo->setEditText(edit);
    }
}

}  // namespace

QtPanelView::QtPanelView(PanelModel& model) : model_(model) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        model_.setScreenSize(area.width(), area.height());
    }
    model_.addObserver(this);
    // Panels the model had before the view came show now.
    for (int handle : model_.panelHandles()) {
        panelChanged(handle);
    }
}

QtPanelView::~QtPanelView() {
    model_.removeObserver(this);
    controls_.clear();
    pages_.clear();
    for (auto& [handle, w] : windows_) {
        delete w.data();
    }
    windows_.clear();
}

QWidget* QtPanelView::window(int panel) const {
    auto it = windows_.find(panel);
    return it == windows_.end() ? nullptr : it->second.data();
}

QWidget* QtPanelView::widget(int panel, int control) const {
    auto it = controls_.find({panel, control});
    return it == controls_.end() ? nullptr : it->second->body.data();
}

QWidget* QtPanelView::labelWidget(int panel, int control) const {
    auto it = controls_.find({panel, control});
    return it == controls_.end() ? nullptr : it->second->label.data();
}

QWidget* QtPanelView::hostOf(int panel) const {
    if (auto w = windows_.find(panel); w != windows_.end()) {
        return w->second.data();
    }
    if (auto p = pages_.find(panel); p != pages_.end()) {
        return p->second.data();
    }
    return nullptr;
}

QtPanelView::Key QtPanelView::tabHolding(int page) const {
    for (const auto& [key, cw] : controls_) {
        if (cw->kind != ControlKind::Tab) {
            continue;
        }
        const ControlState* c = model_.control(key.first, key.second);
        if (c == nullptr) {
            continue;
        }
        for (const TabPage& p : c->pages) {
            if (p.panel == page) {
                return key;
            }
        }
    }
    return {0, 0};
}

// ---- model -> widgets -------------------------------------------------------------------

void QtPanelView::panelChanged(int panel) {
    const PanelState* p = model_.panel(panel);
    if (p == nullptr) {
        removePanelWidgets(panel);
        return;
    }
    if (p->parentHandle != 0) {
        // A page's texts show on its tab.
        Key tab = tabHolding(panel);
        if (tab.first != 0) {
            syncControl(tab.first, tab.second);
        }
        return;
    }
    if (windows_.count(panel) == 0) {
        if (!p->displayed) {
            return;
        }
        buildWindow(panel);
    }
    syncWindow(panel);
}

void QtPanelView::panelDiscarded(int panel) {
    removePanelWidgets(panel);
}

void QtPanelView::controlCreated(int panel, int control) {
    if (controls_.count({panel, control}) != 0) {
        return;
    }
    if (QWidget* host = hostOf(panel)) {
        createControl(panel, control, host);
        syncControl(panel, control);
    }
}

void QtPanelView::controlChanged(int panel, int control) {
    syncControl(panel, control);
}

void QtPanelView::buildWindow(int panel) {
    auto* w = new PanelWindow(*this, panel);
    w->syncing = true;
    windows_[panel] = w;
    buildControls(panel, w);
    w->syncing = false;
}

void QtPanelView::buildControls(int panel, QWidget* host) {
    const PanelState* p = model_.panel(panel);
    if (p == nullptr) {
        return;
    }
    for (const auto& [id, c] : p->controls) {
        createControl(panel, id, host);
    }
    for (const auto& [id, c] : p->controls) {
        syncControl(panel, id);
    }
}

void QtPanelView::watchInput(QWidget* w, int panel, int control) {
    auto* filter = new RightClickFilter(*this, panel, control, w);
    w->installEventFilter(filter);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    for (QWidget* child : w->findChildren<QWidget*>()) {
        child->installEventFilter(filter);
        child->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

void QtPanelView::createControl(int panel, int control, QWidget* host) {
    const ControlState* c = model_.control(panel, control);
    if (c == nullptr) {
        return;
    }
    auto cw = std::make_unique<ControlWidgets>();
    cw->kind = c->kind;
    cw->host = host;
    const QString name = qs(c->constantName);

    switch (c->kind) {
        case ControlKind::CommandButton: {
            auto* b = new QPushButton(host);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this,
                    [this, panel, control] { commitButton(panel, control); });
            if (!c->shortcutKey.empty()) {
                QKeySequence key(qs(c->shortcutKey));
                // The shortcut belongs to the whole window, whatever has the focus.
                cw->shortcut = new QShortcut(key, host->window());
                cw->shortcut->setContext(Qt::WindowShortcut);
                QPointer<QPushButton> guard(b);
                connect(cw->shortcut, &QShortcut::activated, this, [this, panel, control, guard] {
                    if (guard && guard->isEnabled() && guard->isVisibleTo(guard->window())) {
                        commitButton(panel, control);
                    }
                });
            }
            cw->button = b;
            cw->body = b;
            break;
        }
        case ControlKind::ToggleButton: {
            auto* b = new QPushButton(host);
            b->setCheckable(true);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, panel, control](bool checked) {
                commitValue(panel, control, checked ? 1 : 0);
            });
            cw->button = b;
            cw->body = b;
            break;
        }
        case ControlKind::Ring: {
            auto* combo = new QComboBox(host);
            connect(combo, &QComboBox::activated, this, [this, panel, control](int index) {
                const ControlState* now = model_.control(panel, control);
                if (now != nullptr && index >= 0 && index < static_cast<int>(now->items.size())) {
                    commitValue(panel, control, now->items[static_cast<std::size_t>(index)].value);
                }
            });
            cw->combo = combo;
            cw->body = combo;
            break;
        }
        case ControlKind::Numeric: {
            auto* spin = new QSpinBox;
            // Typed digits count once the entry is finished; arrows and the wheel count at once.
            spin->setKeyboardTracking(false);
            spin->setAlignment(Qt::AlignRight);
            connect(spin, &QSpinBox::valueChanged, this,
                    [this, panel, control](int v) { commitValue(panel, control, v); });
            cw->spin = spin;
            if (c->knob) {
                auto* box = new QWidget(host);
                auto* layout = new QVBoxLayout(box);
                layout->setContentsMargins(0, 0, 0, 0);
                layout->setSpacing(4);
                auto* dial = new QDial;
                dial->setNotchesVisible(true);
                dial->setWrapping(false);
                // Dragging shows the value in the field; releasing commits it.
                dial->setTracking(false);
                connect(dial, &QDial::sliderMoved, spin, [spin](int v) {
                    QSignalBlocker block(spin);
                    spin->setValue(v);
                });
                connect(dial, &QDial::valueChanged, this,
                        [this, panel, control](int v) { commitValue(panel, control, v); });
                layout->addWidget(dial, 1);
                layout->addWidget(spin);
                cw->dial = dial;
                cw->body = box;
            } else {
                spin->setParent(host);
                cw->body = spin;
            }
            break;
        }
        case ControlKind::String: {
            if (c->combo) {
                auto* combo = new QComboBox(host);
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setMaxVisibleItems(10);
                QLineEdit* line = combo->lineEdit();
                connect(combo, &QComboBox::activated, this, [this, panel, control, combo](int i) {
                    commitText(panel, control, combo->itemText(i).toStdString());
                });
                connect(line, &QLineEdit::editingFinished, this, [this, panel, control, line] {
                    commitText(panel, control, line->text().toStdString());
                });
                cw->comboString = true;
                cw->combo = combo;
                cw->line = line;
                cw->body = combo;
            } else {
                auto* line = new QLineEdit(host);
                connect(line, &QLineEdit::editingFinished, this, [this, panel, control, line] {
                    commitText(panel, control, line->text().toStdString());
                });
                cw->line = line;
                cw->body = line;
            }
            break;
        }
        case ControlKind::TextBox: {
            auto* box = new QPlainTextEdit(host);
            box->setReadOnly(true);
            box->setUndoRedoEnabled(false);
            box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            cw->textBox = box;
            cw->body = box;
            break;
        }
        case ControlKind::TextMessage: {
            auto* label = new QLabel(host);
            label->setAutoFillBackground(true);
            label->setTextFormat(Qt::PlainText);
            cw->message = label;
            cw->body = label;
            break;
        }
        case ControlKind::Tab: {
            auto* tabs = new QTabWidget(host);
            tabs->setDocumentMode(false);
            for (const TabPage& page : c->pages) {
                auto* pw = new PanelSurface(*this, page.panel);
                pw->setObjectName(qs(model_.panel(page.panel) != nullptr
                                         ? model_.panel(page.panel)->constantName
                                         : std::string()));
                tabs->addTab(pw, qs(page.label));
                pages_[page.panel] = pw;
            }
            ControlWidgets* raw = cw.get();
            connect(tabs, &QTabWidget::currentChanged, this, [this, panel, control, raw](int i) {
                if (!raw->syncing) {
                    commitTab(panel, control, i);
                }
            });
            cw->tabs = tabs;
            cw->body = tabs;
            break;
        }
    }

    cw->body->setObjectName(name);
    if (c->kind == ControlKind::Tab) {
        watchInput(cw->tabs->tabBar(), panel, control);
    } else {
        watchInput(cw->body, panel, control);
    }
    const bool labelled = c->kind == ControlKind::Ring || c->kind == ControlKind::Numeric ||
                          c->kind == ControlKind::String || c->kind == ControlKind::TextBox;
    if (labelled) {
        cw->label = new QLabel(host);
        cw->label->setObjectName(name + QStringLiteral("_LABEL"));
        cw->label->setTextFormat(Qt::PlainText);
        cw->label->setBuddy(cw->spin ? static_cast<QWidget*>(cw->spin.data()) : cw->body.data());
        watchInput(cw->label, panel, control);
    }
    controls_[{panel, control}] = std::move(cw);

    if (c->kind == ControlKind::Tab) {
        for (const TabPage& page : c->pages) {
            buildControls(page.panel, pages_[page.panel]);
        }
    }
}

void QtPanelView::syncControl(int panel, int control) {
    auto it = controls_.find({panel, control});
    if (it == controls_.end()) {
        return;
    }
    const ControlState* c = model_.control(panel, control);
    if (c == nullptr) {
        return;
    }
    if (c->kind == ControlKind::String && c->combo != it->second->comboString) {
        // The string control became a combo box, or stopped being one.
        QWidget* host = it->second->host;
        delete it->second->body.data();
        delete it->second->label.data();
        controls_.erase(it);
        if (host != nullptr) {
            createControl(panel, control, host);
            syncControl(panel, control);
        }
        return;
    }
    ControlWidgets& cw = *it->second;
    if (!cw.body) {
        return;
    }
    QWidget* body = cw.body;
    const QString label = qs(c->label);

    switch (c->kind) {
        case ControlKind::CommandButton:
            cw.button->setText(label);
            break;
        case ControlKind::ToggleButton: {
            QSignalBlocker block(cw.button);
            cw.button->setText(label);
            cw.button->setChecked(c->value != 0);
            showToggleState(cw.button, c->value != 0);
            break;
        }
        case ControlKind::Ring: {
            QSignalBlocker block(cw.combo);
            setRing(cw.combo, *c);
            break;
        }
        case ControlKind::Numeric: {
            QSignalBlocker block(cw.spin);
            cw.spin->setRange(c->minimum, c->maximum);
            cw.spin->setSingleStep(c->increment > 0 ? c->increment : 1);
            cw.spin->setSuffix(c->unit.empty() ? QString() : QStringLiteral(" ") + qs(c->unit));
            cw.spin->setValue(static_cast<int>(c->value));
            cw.spin->setAccessibleName(label);
            if (cw.dial) {
                QSignalBlocker blockDial(cw.dial);
                cw.dial->setRange(c->minimum, c->maximum);
                cw.dial->setSingleStep(c->increment > 0 ? c->increment : 1);
                cw.dial->setPageStep((c->increment > 0 ? c->increment : 1) * 10);
                cw.dial->setValue(static_cast<int>(c->value));
                cw.dial->setAccessibleName(label);
            }
            break;
        }
        case ControlKind::String: {
            const int max = c->maxLength > 0 ? c->maxLength : 32767;
            cw.line->setMaxLength(max);
            if (cw.combo) {
                QSignalBlocker block(cw.combo);
                setComboList(cw.combo, c->comboItems);
                // Without its list button the field is a plain text field.
                cw.combo->setStyleSheet(c->comboVisible
                                            ? QString()
                                            : QStringLiteral("QComboBox::drop-down { width: 0px; "
                                                             "border: none; }"));
            }
            if (c->text != cw.shownText) {
                if (cw.line->text().toStdString() != c->text) {
                    QSignalBlocker block(cw.line);
                    cw.line->setText(qs(c->text));
                    cw.line->setCursorPosition(0);
                }
                cw.shownText = c->text;
            }
            if (cw.combo) {
                cw.line->setAccessibleName(label);
            }
            break;
        }
        case ControlKind::TextBox: {
            QPlainTextEdit* box = cw.textBox;
            const std::string& text = c->text;
            if (text != cw.shownText) {
                if (text.size() >= cw.shownText.size() &&
                    text.compare(0, cw.shownText.size(), cw.shownText) == 0) {
                    QTextCursor cursor(box->document());
                    cursor.movePosition(QTextCursor::End);
                    cursor.insertText(qs(text.substr(cw.shownText.size())));
                } else {
                    box->setPlainText(qs(text));
                }
                cw.shownText = text;
                box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
            }
            break;
        }
        case ControlKind::TextMessage: {
            QFont font = QApplication::font();
            font.setFamily(familyOrDefault(c->font));
            if (c->pointSize > 0) {
                font.setPointSize(c->pointSize);
            }
            cw.message->setFont(font);
            QPalette pal = cw.message->palette();
            pal.setColor(QPalette::Window, QColor(static_cast<QRgb>(c->backgroundColor)));
            pal.setColor(QPalette::WindowText, QColor(static_cast<QRgb>(c->textColor)));
            cw.message->setPalette(pal);
            cw.message->setText(qs(c->text));
            break;
        }
        case ControlKind::Tab: {
            cw.syncing = true;
            for (std::size_t i = 0; i < c->pages.size(); ++i) {
                const int index = static_cast<int>(i);
                if (index >= cw.tabs->count()) {
                    break;
                }
                cw.tabs->setTabText(index, qs(c->pages[i].label));
                cw.tabs->setTabVisible(index, c->pages[i].visible);
            }
            if (c->activePage >= 0 && c->activePage < cw.tabs->count()) {
                cw.tabs->setCurrentIndex(c->activePage);
            }
            cw.syncing = false;
            break;
        }
    }

    // Geometry: the rect is the body; the label sits just above it.
    const Rect& r = c->rect;
    if (c->kind == ControlKind::TextMessage && (r.width <= 0 || r.height <= 0)) {
        body->move(r.left, r.top);
        body->adjustSize();
    } else {
        body->setGeometry(r.left, r.top, r.width, r.height);
    }
    body->setToolTip(qs(c->tooltip));
    body->setEnabled(!c->dimmed);
    body->setVisible(c->visible);
    if (c->kind == ControlKind::TextMessage) {
        body->setAccessibleName(qs(c->text));
    } else {
        body->setAccessibleName(label);
    }
    if (cw.label) {
        cw.label->setText(label);
        // The label spans its body; a longer text is not cut off but runs on to the right. The
        // width depends on the text alone, never on how big the host happens to be just now (a
        // page that was never in front has not got its real size yet).
        const int h = cw.label->fontMetrics().height();
        const int width = std::max(r.width, cw.label->sizeHint().width());
        cw.label->setGeometry(r.left, r.top - h - kLabelGap, width, h);
        cw.label->setEnabled(!c->dimmed);
        cw.label->setVisible(c->visible && !c->label.empty());
    }
}

void QtPanelView::syncWindow(int panel) {
    const PanelState* p = model_.panel(panel);
    auto it = windows_.find(panel);
    if (p == nullptr || it == windows_.end() || !it->second) {
        return;
    }
    PanelWindow* w = it->second;
    w->syncing = true;
    w->setWindowTitle(qs(p->title));
    w->setAccessibleName(qs(p->title));
    Rect r = p->rect;
    if (r.top == PANEL_AUTO_CENTER || r.left == PANEL_AUTO_CENTER) {
        const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        if (r.top == PANEL_AUTO_CENTER) {
            r.top = area.top() + (area.height() - r.height) / 2;
        }
        if (r.left == PANEL_AUTO_CENTER) {
            r.left = area.left() + (area.width() - r.width) / 2;
        }
    }
    if (!p->zoomed) {
        if (w->isMaximized()) {
            w->showNormal();
        }
        const QRect want(r.left, r.top, r.width, r.height);
        if (w->geometry() != want) {
            w->setGeometry(want);
        }
    }
    if (p->displayed) {
        if (p->zoomed && !w->isMaximized()) {
            w->showMaximized();
        } else if (!w->isVisible()) {
            w->show();
        }
    } else if (w->isVisible()) {
        w->hide();
    }
    w->syncing = false;
}

void QtPanelView::removePanelWidgets(int panel) {
    auto it = windows_.find(panel);
    if (it == windows_.end()) {
        return;
    }
    QPointer<PanelWindow> w = it->second;
    windows_.erase(it);
    // Controls that live in this window, on the panel itself or on its pages.
    for (auto c = controls_.begin(); c != controls_.end();) {
        QWidget* body = c->second->body;
        if (body == nullptr || body->window() == w.data()) {
            c = controls_.erase(c);
        } else {
            ++c;
        }
    }
    for (auto p = pages_.begin(); p != pages_.end();) {
        if (!p->second || p->second->window() == w.data()) {
            p = pages_.erase(p);
        } else {
            ++p;
        }
    }
    if (w) {
        w->hide();
        // The window may be the one whose event is being handled right now.
        w->deleteLater();
    }
}

// ---- widgets -> model -------------------------------------------------------------------

void QtPanelView::windowGeometryChanged(int panel) {
    auto it = windows_.find(panel);
    if (it == windows_.end() || !it->second) {
        return;
    }
    PanelWindow* w = it->second;
    const PanelState* p = model_.panel(panel);
    if (p == nullptr || w->syncing || !w->isVisible() || w->isMaximized() || w->isMinimized() ||
        p->zoomed) {
        return;
    }
    const QRect g = w->geometry();
    if (g.width() != p->rect.width || g.height() != p->rect.height) {
        model_.setPanelSize(panel, g.height(), g.width());
    }
    p = model_.panel(panel);
    if (p != nullptr && (g.top() != p->rect.top || g.left() != p->rect.left)) {
        model_.setPanelPos(panel, g.top(), g.left());
    }
}

void QtPanelView::windowZoomChanged(int panel) {
    auto it = windows_.find(panel);
    const PanelState* p = model_.panel(panel);
    if (it == windows_.end() || !it->second || p == nullptr || it->second->syncing) {
        return;
    }
    const bool zoomed = it->second->isMaximized();
    if (zoomed != p->zoomed) {
        model_.setPanelZoomed(panel, zoomed);
    }
}

void QtPanelView::windowCloseRequested(int panel) {
    model_.dispatchPanelEvent(panel, EVENT_CLOSE);
}

void QtPanelView::panelRightDoubleClick(int panel) {
    model_.dispatchPanelEvent(panel, EVENT_RIGHT_DOUBLE_CLICK);
}

void QtPanelView::rightClick(int panel, int control, bool doubleClick) {
    model_.dispatchControlEvent(panel, control,
                                doubleClick ? EVENT_RIGHT_DOUBLE_CLICK : EVENT_RIGHT_CLICK);
}

void QtPanelView::commitValue(int panel, int control, std::int64_t value) {
    model_.operatorSetValue(panel, control, value);
    // Show the model again: a refused input springs back.
    syncControl(panel, control);
}

void QtPanelView::commitText(int panel, int control, const std::string& text) {
    const ControlState* c = model_.control(panel, control);
    if (c == nullptr || c->text == text) {
        return;
    }
    model_.operatorSetText(panel, control, text);
    syncControl(panel, control);
}

void QtPanelView::commitTab(int panel, int control, int index) {
    model_.operatorSelectTab(panel, control, index);
    syncControl(panel, control);
}

void QtPanelView::commitButton(int panel, int control) {
    model_.dispatchControlEvent(panel, control, EVENT_COMMIT);
}

}  // namespace qv
