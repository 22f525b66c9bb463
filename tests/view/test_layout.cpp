#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/QuorvaneV10.h"
#include "platform/PanelModel.h"
#include "platform/qt/view/QtPanelView.h"
#include "ui/MainPanel.h"

// The panel in each language, as the operator sees it: every text has the room to show in
// full, and no control covers another or runs off its page.

namespace qv {
namespace {

struct Language {
    const char* name;
    const char* file;
};

void PrintTo(const Language& language, std::ostream* os) {
    *os << language.name;
}

const Language kLanguages[] = {
    {"English", "language_eng.lwl"},
    {"German", "language_ger.lwl"},
};

// fontconfig's font for the generic sans-serif family: the one the panel gets on an X server
// without a desktop's font settings, such as Xvfb.
QString fontconfigSansSerif() {
    QProcess fc;
    fc.start(QStringLiteral("fc-match"),
             {QStringLiteral("--format=%{family[0]}"), QStringLiteral("sans-serif")});
    if (!fc.waitForFinished(10000) || fc.exitStatus() != QProcess::NormalExit ||
        fc.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(fc.readAllStandardOutput()).trimmed();
}

// Room for the text of a push button: its contents rectangle less the margin that the style
// keeps around the text.
int buttonTextRoom(const QPushButton* button) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    if (button->isChecked()) {
        opt.state |= QStyle::State_On;
    }
    const QStyle* style = button->style();
    return style->subElementRect(QStyle::SE_PushButtonContents, &opt, button).width() -
           style->pixelMetric(QStyle::PM_ButtonMargin, &opt, button);
}

// Room for the current item of a ring: the edit field, of which the item label leaves one pixel
// free on either side.
int ringTextRoom(const QComboBox* combo) {
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    opt.subControls = QStyle::SC_All;
    return combo->style()
               ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
               .width() -
           2;
}

// Room for the number in a numeric field: its line edit, which keeps two pixels free on either
// side of the text.
int spinTextRoom(const QSpinBox* spin) {
    const QLineEdit* line = spin->findChild<QLineEdit*>();
    if (line == nullptr) {
        return 0;
    }
    const QMargins m = line->textMargins();
    return line->contentsRect().width() - m.left() - m.right() - 4;
}

// The real panel file localised with one language file, shown in a window, with the title text
// that start-up adds.
class PanelLayoutTest : public ::testing::TestWithParam<Language> {
  protected:
    void SetUp() override {
        main = model.loadPanel(0, QV_RESOURCE_DIR "/QuorvaneV10.uir", MAINP);
        ASSERT_GT(main, 0);
        ASSERT_EQ(model.localizePanel(main, std::string(QV_RESOURCE_DIR "/") + GetParam().file),
                  PANEL_OK);
        conn = model.tabPagePanel(main, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
        ASSERT_GT(conn, 0);
        title = model.newTextMessage(main, 15, 20);
        model.setTextAppearance(main, title, kTitleFont, 0xFFFFFF, 0x000000, 22);
        model.setText(main, title, kPanelTitle);
        model.makeCombo(conn, CONNP_STRING_IP_ADRESS);
        view = std::make_unique<QtPanelView>(model);
        model.displayPanel(main);
        win = view->window(main);
        ASSERT_NE(win, nullptr);
    }

    void TearDown() override {
        view.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Brings a tab page to the front, so that it and its controls have their shown size.
    void showPage(int index) {
        model.setActiveTabPage(main, MAINP_TABMAIN1, index);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // The panel the controls of page `index` live on, with the page in front; the main panel
    // for -1.
    int panelInFront(int index) {
        if (index < 0) {
            return main;
        }
        showPage(index);
        return model.tabPagePanel(main, MAINP_TABMAIN1, index);
    }

    QWidget* pageWidget(int index) const {
        auto* tabs = qobject_cast<QTabWidget*>(view->widget(main, MAINP_TABMAIN1));
        return tabs != nullptr ? tabs->widget(index) : nullptr;
    }

    void expectFits(const std::string& where, const QString& text, const QFontMetrics& fm,
                    int room) {
        const int needed = fm.horizontalAdvance(text);
        if (needed > room) {
            std::ostringstream s;
            s << where << ": \"" << text.toStdString() << "\" needs " << needed << " px, has "
              << room;
            misfits.push_back(s.str());
        }
    }

    void checkControl(int panel, const ControlState& c) {
        const std::string where = c.constantName;
        QWidget* body = view->widget(panel, c.id);
        ASSERT_NE(body, nullptr) << where;
        if (auto* label = qobject_cast<QLabel*>(view->labelWidget(panel, c.id))) {
            // A label stands over its control's body and takes no more width than that.
            EXPECT_EQ(label->text().toStdString(), c.label) << where;
            expectFits(where + " label", label->text(), label->fontMetrics(),
                       std::min(c.rect.width, label->contentsRect().width()));
        }
        switch (c.kind) {
            case ControlKind::CommandButton: {
                auto* b = qobject_cast<QPushButton*>(body);
                ASSERT_NE(b, nullptr) << where;
                EXPECT_EQ(b->text().toStdString(), c.label) << where;
                expectFits(where, b->text(), b->fontMetrics(), buttonTextRoom(b));
                break;
            }
            case ControlKind::ToggleButton: {
                auto* b = qobject_cast<QPushButton*>(body);
                ASSERT_NE(b, nullptr) << where;
                EXPECT_EQ(b->text().toStdString(), c.label) << where;
                // An "on" toggle shows its text in bold, which is wider.
                const std::int64_t was = c.value;
                for (int on : {0, 1}) {
                    model.setValue(panel, c.id, on);
                    expectFits(where + (on ? " on" : " off"), b->text(), b->fontMetrics(),
                               buttonTextRoom(b));
                }
                model.setValue(panel, c.id, was);
                break;
            }
            case ControlKind::Ring: {
                auto* combo = qobject_cast<QComboBox*>(body);
                ASSERT_NE(combo, nullptr) << where;
                ASSERT_EQ(combo->count(), static_cast<int>(c.items.size())) << where;
                for (int i = 0; i < combo->count(); ++i) {
                    expectFits(where + " item", combo->itemText(i), combo->fontMetrics(),
                               ringTextRoom(combo));
                }
                break;
            }
            case ControlKind::Numeric: {
                auto* spin = qobject_cast<QSpinBox*>(body);
                if (spin == nullptr) {
                    spin = body->findChild<QSpinBox*>();
                }
                ASSERT_NE(spin, nullptr) << where;
                for (int v : {spin->minimum(), spin->maximum()}) {
                    QString number = spin->locale().toString(v);
                    if (!spin->isGroupSeparatorShown()) {
                        number.remove(spin->locale().groupSeparator());
                    }
                    expectFits(where + " value", spin->prefix() + number + spin->suffix(),
                               spin->fontMetrics(), spinTextRoom(spin));
                }
                break;
            }
            case ControlKind::Tab: {
                auto* tabs = qobject_cast<QTabWidget*>(body);
                ASSERT_NE(tabs, nullptr) << where;
                QTabBar* bar = tabs->tabBar();
                const int space =
                    bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
                for (int i = 0; i < bar->count(); ++i) {
                    EXPECT_EQ(bar->tabText(i).toStdString(),
                              c.pages[static_cast<std::size_t>(i)].label)
                        << where;
                    if (!bar->isTabVisible(i)) {
                        continue;
                    }
                    expectFits(where + " tab", bar->tabText(i), bar->fontMetrics(),
                               bar->tabRect(i).width() - space);
                    // Tabs that do not fit side by side are scrolled, hiding some of them.
                    EXPECT_LE(bar->tabRect(i).right(), bar->width() - 1) << where << " tab " << i;
                }
                break;
            }
            case ControlKind::String:
            case ControlKind::TextBox:
            case ControlKind::TextMessage:
                // Their text is the operator's or the program's; their label is checked above.
                break;
        }
    }

    struct Placed {
        std::string name;
        QRect rect;
    };

    // The rectangles of what shows on panel `panel`: bodies and labels of its visible controls.
    std::vector<Placed> placed(int panel) {
        std::vector<Placed> out;
        for (const auto& [id, c] : model.panel(panel)->controls) {
            QWidget* body = view->widget(panel, id);
            if (body == nullptr || !body->isVisibleTo(body->parentWidget())) {
                continue;
            }
            out.push_back({c.constantName, body->geometry()});
            QWidget* label = view->labelWidget(panel, id);
            if (label != nullptr && label->isVisibleTo(label->parentWidget())) {
                out.push_back({c.constantName + " label", label->geometry()});
            }
        }
        return out;
    }

    void expectApart(int panel, QWidget* host, const std::string& situation) {
        ASSERT_NE(host, nullptr) << situation;
        const std::vector<Placed> shown = placed(panel);
        EXPECT_FALSE(shown.empty()) << situation;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(host->rect().contains(shown[i].rect))
                << situation << ": " << shown[i].name << " leaves its page";
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                EXPECT_FALSE(shown[i].rect.intersects(shown[j].rect))
                    << situation << ": " << shown[i].name << " overlaps " << shown[j].name;
            }
        }
    }

    PanelModel model;
    std::unique_ptr<QtPanelView> view;
    QWidget* win = nullptr;
    int main = 0;
    int conn = 0;
    int title = 0;
    std::vector<std::string> misfits;
};

TEST(PanelFontTest, TestsMeasureWithTheFontThePanelGetsOnAnXServer) {
    const QString expected = fontconfigSansSerif();
    ASSERT_FALSE(expected.isEmpty()) << "fc-match gave no answer";
    EXPECT_EQ(QFontInfo(QApplication::font()).family().toStdString(), expected.toStdString());
}

TEST_P(PanelLayoutTest, EveryTextHasRoomToShowInFull) {
    // -1: the main panel; then the three pages, each in front while it is measured.
    for (int page :
         {-1, int{CONNECTION_PAGE_INDEX}, int{PARAMETER_PAGE_INDEX}, int{SETTINGS_PAGE_INDEX}}) {
        const int panel = panelInFront(page);
        ASSERT_GT(panel, 0);
        for (const auto& [id, c] : model.panel(panel)->controls) {
            checkControl(panel, c);
        }
    }
    std::string all;
    for (const std::string& m : misfits) {
        all += "\n  " + m;
    }
    EXPECT_TRUE(misfits.empty()) << GetParam().name << ":" << all;
}

TEST_P(PanelLayoutTest, NoControlCoversAnotherOrLeavesItsPage) {
    const std::string language = GetParam().name;
    expectApart(main, win, language + " main panel");
    for (int page : {CONNECTION_PAGE_INDEX, PARAMETER_PAGE_INDEX}) {
        const int panel = panelInFront(page);
        expectApart(panel, pageWidget(page), language + " page " + std::to_string(page));
    }
    // The connection page with the TCP/IP controls in place of the RS-232 ones.
    for (int control : {CONNP_BUTTON_FIND_COM_PORTS, CONNP_EDIT_COM_PORT, CONNP_EDIT_BAUDRATE,
                        CONNP_BUTTON_CHANGE_BAUDRATE}) {
        model.setVisible(conn, control, false);
    }
    model.setVisible(conn, CONNP_STRING_IP_ADRESS, true);
    model.setVisible(conn, CONNP_STRING_PORT_NUMBER, true);
    showPage(CONNECTION_PAGE_INDEX);
    expectApart(conn, pageWidget(CONNECTION_PAGE_INDEX), language + " connection page with TCP/IP");
}

INSTANTIATE_TEST_SUITE_P(Languages, PanelLayoutTest, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qv
