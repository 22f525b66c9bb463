#include <gtest/gtest.h>

#include <QComboBox>
#include <QDial>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/QuorvaneV10.h"
#include "platform/PanelModel.h"
#include "platform/qt/view/QtPanelView.h"

namespace qv {
namespace {

struct Seen {
    int panel;
    int control;  // 0 for a panel event
    int event;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "{panel " << s.panel << ", control " << s.control << ", event " << s.event << "}";
}

// The real panel file, every callback bound to a recorder, the window shown.
class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main = model.loadPanel(0, QV_RESOURCE_DIR "/QuorvaneV10.uir", MAINP);
        ASSERT_GT(main, 0);
        conn = model.tabPagePanel(main, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
        para = model.tabPagePanel(main, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
        ASSERT_GT(conn, 0);
        ASSERT_GT(para, 0);
        std::set<std::string> controlCallbacks;
        std::set<std::string> panelCallbacks;
        for (int h : model.panelHandles()) {
            const PanelState* p = model.panel(h);
            panelCallbacks.insert(p->callbackName);
            for (const auto& [id, c] : p->controls) {
                controlCallbacks.insert(c.callbackName);
            }
        }
        for (const std::string& name : controlCallbacks) {
            model.bindControlCallback(name, [this](int p, int c, int e, int, int) {
                seen.push_back({p, c, e});
                return 0;
            });
        }
        for (const std::string& name : panelCallbacks) {
            model.bindPanelCallback(name, [this](int p, int e, int, int) {
                seen.push_back({p, 0, e});
                return 0;
            });
        }
        view = std::make_unique<QtPanelView>(model);
        model.displayPanel(main);
        win = view->window(main);
        ASSERT_NE(win, nullptr);
        ASSERT_TRUE(win->isVisible());
    }

    void TearDown() override {
        view.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <class W>
    W* part(int panel, int control) {
        QWidget* w = view->widget(panel, control);
        if (w == nullptr) {
            ADD_FAILURE() << "no widget for control " << control;
            return nullptr;
        }
        if (auto* direct = qobject_cast<W*>(w)) {
            return direct;
        }
        W* child = w->findChild<W*>();
        EXPECT_NE(child, nullptr) << "control " << control;
        return child;
    }

    void showPage(int index) {
        model.setActiveTabPage(main, MAINP_TABMAIN1, index);
        seen.clear();
    }

    PanelModel model;
    std::unique_ptr<QtPanelView> view;
    QWidget* win = nullptr;
    int main = 0;
    int conn = 0;
    int para = 0;
    std::vector<Seen> seen;
};

TEST_F(ViewTest, CommandButtonClickCommitsAndRightClickAsksForHelp) {
    struct Case {
        int page;  // tab page that must be in front, or -1
        int* panel;
        int control;
    };
    const Case cases[] = {
        {-1, &main, MAINP_BUTTON_SEND},
        {-1, &main, MAINP_BUTTON_GET},
        {CONNECTION_PAGE_INDEX, &conn, CONNP_BUTTON_TRY_TO_CONNECT},
        {CONNECTION_PAGE_INDEX, &conn, CONNP_BUTTON_FIND_COM_PORTS},
    };
    for (const Case& c : cases) {
        if (c.page >= 0) {
            showPage(c.page);
        }
        auto* button = part<QPushButton>(*c.panel, c.control);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisibleTo(win)) << c.control;
        seen.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(seen, (std::vector<Seen>{{*c.panel, c.control, EVENT_COMMIT}})) << c.control;
        seen.clear();
        QTest::mouseClick(button, Qt::RightButton);
        EXPECT_EQ(seen, (std::vector<Seen>{{*c.panel, c.control, EVENT_RIGHT_CLICK}})) << c.control;
    }
}

TEST_F(ViewTest, RightClickOnAnyKindOfControlIsHelpOnlyAndChangesNothing) {
    showPage(CONNECTION_PAGE_INDEX);
    struct Case {
        int* panel;
        int control;
        QWidget* (*target)(QWidget*);  // the part of the control that is clicked
    };
    auto self = [](QWidget* w) { return w; };
    auto lineOf = [](QWidget* w) -> QWidget* { return w->findChild<QLineEdit*>(); };
    const Case cases[] = {
        {&main, MAINP_BUTTON_EEPROM, self},    // toggle: must not toggle
        {&conn, CONNP_EDIT_BAUDRATE, self},    // ring: must not open its list
        {&conn, CONNP_EDIT_COM_PORT, lineOf},  // numeric field
        {&conn, CONNP_STRING_ID, self},        // string: no context menu
        {&conn, CONNP_TEXTBOX_STATUS,
         [](QWidget* w) -> QWidget* { return static_cast<QPlainTextEdit*>(w)->viewport(); }},
    };
    for (const Case& c : cases) {
        QWidget* body = view->widget(*c.panel, c.control);
        ASSERT_NE(body, nullptr);
        QWidget* target = c.target(body);
        ASSERT_NE(target, nullptr) << c.control;
        const std::int64_t before = model.value(*c.panel, c.control);
        seen.clear();
        QTest::mouseClick(target, Qt::RightButton);
        EXPECT_EQ(seen, (std::vector<Seen>{{*c.panel, c.control, EVENT_RIGHT_CLICK}})) << c.control;
        EXPECT_EQ(model.value(*c.panel, c.control), before) << c.control;
    }
    // The tab control's help comes from its tab bar.
    auto* tabs = part<QTabWidget>(main, MAINP_TABMAIN1);
    seen.clear();
    QTest::mouseClick(tabs->tabBar(), Qt::RightButton, {},
                      tabs->tabBar()->tabRect(PARAMETER_PAGE_INDEX).center());
    EXPECT_EQ(seen, (std::vector<Seen>{{main, MAINP_TABMAIN1, EVENT_RIGHT_CLICK}}));
    EXPECT_EQ(model.activeTabPage(main, MAINP_TABMAIN1), CONNECTION_PAGE_INDEX);
}

TEST_F(ViewTest, ToggleClickChangesTheValueThenCommits) {
    showPage(PARAMETER_PAGE_INDEX);
    auto* out1 = part<QPushButton>(para, PARAP_TGBTN_OUT1);
    ASSERT_NE(out1, nullptr);
    ASSERT_FALSE(out1->isChecked());
    QTest::mouseClick(out1, Qt::LeftButton);
    EXPECT_EQ(seen, (std::vector<Seen>{{para, PARAP_TGBTN_OUT1, EVENT_VAL_CHANGED},
                                       {para, PARAP_TGBTN_OUT1, EVENT_COMMIT}}));
    EXPECT_EQ(model.value(para, PARAP_TGBTN_OUT1), 1);
    EXPECT_TRUE(out1->isChecked());
    seen.clear();
    QTest::mouseClick(out1, Qt::LeftButton);
    EXPECT_EQ(model.value(para, PARAP_TGBTN_OUT1), 0);
    EXPECT_FALSE(out1->isChecked());
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(ViewTest, ToggleShowsWhatTheCallbackLeftNotWhatTheClickDid) {
    // The memory buttons are radio buttons: the callback sets the clicked one on again.
    model.bindControlCallback("CBF_ButtonSelectMem", [this](int p, int c, int e, int, int) {
        if (e == EVENT_VAL_CHANGED) {
            model.setValue(p, c, 1);
        }
        return 0;
    });
    auto* ram = part<QPushButton>(main, MAINP_BUTTON_RAM);
    ASSERT_TRUE(ram->isChecked());
    QTest::mouseClick(ram, Qt::LeftButton);
    EXPECT_EQ(model.value(main, MAINP_BUTTON_RAM), 1);
    EXPECT_TRUE(ram->isChecked());
}

TEST_F(ViewTest, RingChoiceSetsTheItemValueThenCommits) {
    showPage(CONNECTION_PAGE_INDEX);
    auto* baud = part<QComboBox>(conn, CONNP_EDIT_BAUDRATE);
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->count(), 8);
    EXPECT_EQ(baud->currentText(), "115200");
    baud->setFocus();
    QTest::keyClick(baud, Qt::Key_Down);
    EXPECT_EQ(model.value(conn, CONNP_EDIT_BAUDRATE), 5);
    EXPECT_EQ(seen, (std::vector<Seen>{{conn, CONNP_EDIT_BAUDRATE, EVENT_VAL_CHANGED},
                                       {conn, CONNP_EDIT_BAUDRATE, EVENT_COMMIT}}));
    // A value set by the program selects the item with that value, sending nothing.
    seen.clear();
    model.setValue(conn, CONNP_EDIT_BAUDRATE, 0);
    EXPECT_EQ(baud->currentText(), "9600");
    EXPECT_TRUE(seen.empty());
}

TEST_F(ViewTest, TypedNumberAndTextCommitOnEnter) {
    showPage(CONNECTION_PAGE_INDEX);
    auto* port = part<QSpinBox>(conn, CONNP_EDIT_COM_PORT);
    ASSERT_NE(port, nullptr);
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "17");
    EXPECT_TRUE(seen.empty()) << "a number counts only when its entry is finished";
    QTest::keyClick(port, Qt::Key_Return);
    EXPECT_EQ(model.value(conn, CONNP_EDIT_COM_PORT), 17);
    EXPECT_EQ(seen, (std::vector<Seen>{{conn, CONNP_EDIT_COM_PORT, EVENT_VAL_CHANGED},
                                       {conn, CONNP_EDIT_COM_PORT, EVENT_COMMIT}}));

    seen.clear();
    auto* id = part<QLineEdit>(conn, CONNP_STRING_ID);
    EXPECT_EQ(id->maxLength(), 99);
    id->setFocus();
    QTest::keyClicks(id, "Line 4");
    EXPECT_TRUE(seen.empty());
    QTest::keyClick(id, Qt::Key_Return);
    EXPECT_EQ(model.text(conn, CONNP_STRING_ID), "Line 4");
    EXPECT_EQ(seen, (std::vector<Seen>{{conn, CONNP_STRING_ID, EVENT_VAL_CHANGED},
                                       {conn, CONNP_STRING_ID, EVENT_COMMIT}}));
    // Enter again with the same text commits nothing new.
    seen.clear();
    QTest::keyClick(id, Qt::Key_Return);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ViewTest, KnobShowsDialAndFieldAndCommitsWhenTheDialMoves) {
    showPage(PARAMETER_PAGE_INDEX);
    model.setDimmed(para, PARAP_NUMKNOB_ON_TIME, false);
    auto* dial = part<QDial>(para, PARAP_NUMKNOB_ON_TIME);
    auto* field = part<QSpinBox>(para, PARAP_NUMKNOB_ON_TIME);
    ASSERT_NE(dial, nullptr);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->value(), 500);
    EXPECT_EQ(dial->value(), 500);
    EXPECT_EQ(field->suffix(), " ms");
    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_Up);  // one step of the knob's increment
    EXPECT_EQ(model.value(para, PARAP_NUMKNOB_ON_TIME), 510);
    EXPECT_EQ(field->value(), 510);
    EXPECT_EQ(seen.back(), (Seen{para, PARAP_NUMKNOB_ON_TIME, EVENT_COMMIT}));
}

TEST_F(ViewTest, ModelChangesShowAtOnce) {
    showPage(CONNECTION_PAGE_INDEX);
    auto* out3 = part<QPushButton>(para, PARAP_TGBTN_OUT3);
    model.setValue(para, PARAP_TGBTN_OUT3, 1);
    EXPECT_TRUE(out3->isChecked());

    auto* connect = part<QPushButton>(conn, CONNP_BUTTON_TRY_TO_CONNECT);
    model.setDimmed(conn, CONNP_BUTTON_TRY_TO_CONNECT, true);
    EXPECT_FALSE(connect->isEnabled());
    model.setDimmed(conn, CONNP_BUTTON_TRY_TO_CONNECT, false);
    EXPECT_TRUE(connect->isEnabled());

    // Hiding a labelled control hides its label with it.
    QWidget* baud = view->widget(conn, CONNP_EDIT_BAUDRATE);
    QWidget* baudLabel = view->labelWidget(conn, CONNP_EDIT_BAUDRATE);
    ASSERT_NE(baudLabel, nullptr);
    EXPECT_TRUE(baud->isVisibleTo(win));
    EXPECT_TRUE(baudLabel->isVisibleTo(win));
    model.setVisible(conn, CONNP_EDIT_BAUDRATE, false);
    EXPECT_FALSE(baud->isVisibleTo(win));
    EXPECT_FALSE(baudLabel->isVisibleTo(win));
    model.setVisible(conn, CONNP_EDIT_BAUDRATE, true);
    EXPECT_TRUE(baud->isVisibleTo(win));

    model.setLabel(conn, CONNP_EDIT_BAUDRATE, "Baudrate");
    EXPECT_EQ(static_cast<QLabel*>(baudLabel)->text(), "Baudrate");
    EXPECT_EQ(baud->accessibleName(), "Baudrate");
    model.setLabel(main, MAINP_BUTTON_SEND, "SENDEN");
    EXPECT_EQ(part<QPushButton>(main, MAINP_BUTTON_SEND)->text(), "SENDEN");

    EXPECT_TRUE(seen.empty()) << "the program's own changes raise no events";
}

TEST_F(ViewTest, StatusBoxShowsEveryAppendAndFollowsTheEnd) {
    showPage(CONNECTION_PAGE_INDEX);
    auto* status = part<QPlainTextEdit>(conn, CONNP_TEXTBOX_STATUS);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isReadOnly());
    EXPECT_EQ(status->accessibleName(), "Status");
    std::string expected;
    for (int i = 0; i < 60; ++i) {
        const std::string line = "Try to connect!\n";
        model.setText(conn, CONNP_TEXTBOX_STATUS, line);
        expected += line;
    }
    model.setText(conn, CONNP_TEXTBOX_STATUS, "No sensor connected!");
    expected += "No sensor connected!";
    EXPECT_EQ(status->toPlainText().toStdString(), expected);
    QScrollBar* bar = status->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    model.resetTextBox(conn, CONNP_TEXTBOX_STATUS, "");
    EXPECT_EQ(status->toPlainText(), "");
    model.setText(conn, CONNP_TEXTBOX_STATUS, "again");
    EXPECT_EQ(status->toPlainText(), "again");
}

TEST_F(ViewTest, RightDoubleClickOnStatusBoxReachesItsCallback) {
    showPage(CONNECTION_PAGE_INDEX);
    auto* status = part<QPlainTextEdit>(conn, CONNP_TEXTBOX_STATUS);
    QTest::mouseDClick(status->viewport(), Qt::RightButton);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (Seen{conn, CONNP_TEXTBOX_STATUS, EVENT_RIGHT_DOUBLE_CLICK}));
}

TEST_F(ViewTest, FunctionKeysWorkWindowWide) {
    showPage(CONNECTION_PAGE_INDEX);
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win));
    // The focus sits in a field on a page; the keys still reach the main panel's buttons.
    auto* id = part<QLineEdit>(conn, CONNP_STRING_ID);
    id->setFocus();
    QTest::keyClick(id, Qt::Key_F9);
    EXPECT_EQ(seen, (std::vector<Seen>{{main, MAINP_BUTTON_SEND, EVENT_COMMIT}}));
    seen.clear();
    QTest::keyClick(id, Qt::Key_F10);
    EXPECT_EQ(seen, (std::vector<Seen>{{main, MAINP_BUTTON_GET, EVENT_COMMIT}}));
    // A dimmed button takes no key either.
    seen.clear();
    model.setDimmed(main, MAINP_BUTTON_SEND, true);
    QTest::keyClick(id, Qt::Key_F9);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ViewTest, ClosingAsksThePanelAndKeepsTheWindow) {
    EXPECT_FALSE(win->close());
    EXPECT_EQ(seen, (std::vector<Seen>{{main, 0, EVENT_CLOSE}}));
    EXPECT_TRUE(win->isVisible());
    // Discarding the panel is what takes the window away.
    QPointer<QWidget> guard(win);
    model.discardPanel(main);
    EXPECT_EQ(view->window(main), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(ViewTest, TabsFollowTheOperatorAndTheProgram) {
    auto* tabs = part<QTabWidget>(main, MAINP_TABMAIN1);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    model.setActiveTabPage(main, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
    EXPECT_EQ(tabs->currentIndex(), PARAMETER_PAGE_INDEX);
    EXPECT_TRUE(seen.empty()) << "a page switched by the program sends no event";

    model.setTabPageVisible(main, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX, false);
    EXPECT_FALSE(tabs->isTabVisible(SETTINGS_PAGE_INDEX));
    EXPECT_TRUE(tabs->isTabVisible(CONNECTION_PAGE_INDEX));

    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(CONNECTION_PAGE_INDEX).center());
    EXPECT_EQ(model.activeTabPage(main, MAINP_TABMAIN1), CONNECTION_PAGE_INDEX);
    EXPECT_EQ(seen, (std::vector<Seen>{{main, MAINP_TABMAIN1, EVENT_ACTIVE_TAB_CHANGE}}));
}

TEST_F(ViewTest, StringTurnedIntoComboShowsItsHistoryAndHidesWithIt) {
    showPage(CONNECTION_PAGE_INDEX);
    model.setVisible(conn, CONNP_STRING_IP_ADRESS, true);
    model.makeCombo(conn, CONNP_STRING_IP_ADRESS);
    model.insertComboItem(conn, CONNP_STRING_IP_ADRESS, 0, "10.0.0.2");
    model.insertComboItem(conn, CONNP_STRING_IP_ADRESS, 0, "sensor.local");
    auto* combo = qobject_cast<QComboBox*>(view->widget(conn, CONNP_STRING_IP_ADRESS));
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "sensor.local");
    EXPECT_EQ(combo->itemText(1), "10.0.0.2");
    EXPECT_EQ(combo->lineEdit()->maxLength(), 255);

    // Typing a new address and pressing Enter commits it; the list stays the model's.
    combo->lineEdit()->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "192.168.1.9");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(model.text(conn, CONNP_STRING_IP_ADRESS), "192.168.1.9");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (Seen{conn, CONNP_STRING_IP_ADRESS, EVENT_COMMIT}));
    EXPECT_EQ(combo->count(), 2);

    model.setVisible(conn, CONNP_STRING_IP_ADRESS, false);
    model.setComboVisible(conn, CONNP_STRING_IP_ADRESS, false);
    EXPECT_FALSE(combo->isVisibleTo(win));
    EXPECT_FALSE(view->labelWidget(conn, CONNP_STRING_IP_ADRESS)->isVisibleTo(win));
}

TEST_F(ViewTest, TextMessageTakesItsAppearance) {
    const int id = model.newTextMessage(main, 15, 20);
    ASSERT_GT(id, 0);
    model.setTextAppearance(main, id, "NIDialogMetaFont", 0xFFFFFF, 0x102030, 22);
    model.setTooltip(main, id, "QUORVANE V1.0.0");
    model.setText(main, id, "QUORVANE V1.0");
    auto* label = qobject_cast<QLabel*>(view->widget(main, id));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "QUORVANE V1.0");
    EXPECT_EQ(label->toolTip(), "QUORVANE V1.0.0");
    EXPECT_EQ(label->font().pointSize(), 22);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(label->pos(), QPoint(20, 15));
    // The whole text fits: its box grew to the text.
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
}

TEST_F(ViewTest, WindowGeometryGoesBothWays) {
    const PanelState* p = model.panel(main);
    EXPECT_EQ(win->geometry(), QRect(p->rect.left, p->rect.top, 386, 690));
    EXPECT_EQ(win->windowTitle(), QString::fromStdString(p->title));

    // The operator's resize lands in the model.
    win->resize(500, 700);
    EXPECT_EQ(model.panel(main)->rect.width, 500);
    EXPECT_EQ(model.panel(main)->rect.height, 700);
    win->move(33, 44);
    EXPECT_EQ(model.panel(main)->rect.left, win->geometry().left());
    EXPECT_EQ(model.panel(main)->rect.top, win->geometry().top());

    // The program's size and centring land in the window.
    model.setPanelSize(main, 690, 386);
    model.setPanelPos(main, PANEL_AUTO_CENTER, PANEL_AUTO_CENTER);
    const Rect r = model.panel(main)->rect;
    EXPECT_EQ(win->geometry(), QRect(r.left, r.top, 386, 690));

    // A right double click on the background is the panel's event.
    seen.clear();
    QTest::mouseDClick(win, Qt::RightButton, {}, QPoint(370, 40));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (Seen{main, 0, EVENT_RIGHT_DOUBLE_CLICK}));
}

TEST_F(ViewTest, EveryControlCarriesAnAccessibleName) {
    for (int h : model.panelHandles()) {
        const PanelState* p = model.panel(h);
        for (const auto& [id, c] : p->controls) {
            QWidget* w = view->widget(h, id);
            ASSERT_NE(w, nullptr) << c.constantName;
            if (c.kind == ControlKind::Tab) {
                continue;
            }
            EXPECT_FALSE(w->accessibleName().isEmpty()) << c.constantName;
        }
    }
}

}  // namespace
}  // namespace qv
