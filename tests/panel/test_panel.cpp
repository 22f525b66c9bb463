#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/QuorvaneV10.h"
#include "platform/PanelModel.h"

namespace qv {
namespace {

const std::string kResourceDir = QV_RESOURCE_DIR;
const std::string kPanelFile = kResourceDir + "/QuorvaneV10.uir";

class TempDir {
  public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("qv_panel_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string write(const std::string& name, const std::string& text) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

// The real panel file, loaded, with the handles the program uses.
class MainPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main = model.loadPanel(0, kPanelFile, MAINP);
        ASSERT_GT(main, 0);
        connection = model.tabPagePanel(main, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
        parameter = model.tabPagePanel(main, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
        settings = model.tabPagePanel(main, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX);
        ASSERT_GT(connection, 0);
        ASSERT_GT(parameter, 0);
        ASSERT_GT(settings, 0);
    }
    int page(int index) const { return index < 0 ? main : index == 0 ? connection : parameter; }

    PanelModel model;
    int main = 0, connection = 0, parameter = 0, settings = 0;
};

struct CatalogEntry {
    int page;  // -1 main panel, 0 connection page, 1 parameter page
    const char* name;
    int id;
    ControlKind kind;
    ValueType type;
    const char* callback;
};

const CatalogEntry kCatalog[] = {
    {-1, "MAINP_BUTTON_RAM", MAINP_BUTTON_RAM, ControlKind::ToggleButton, ValueType::I32,
     "CBF_ButtonSelectMem"},
    {-1, "MAINP_BUTTON_EEPROM", MAINP_BUTTON_EEPROM, ControlKind::ToggleButton, ValueType::I32,
     "CBF_ButtonSelectMem"},
    {-1, "MAINP_BUTTON_FILE", MAINP_BUTTON_FILE, ControlKind::ToggleButton, ValueType::I32,
     "CBF_ButtonSelectMem"},
    {-1, "MAINP_BUTTON_SEND", MAINP_BUTTON_SEND, ControlKind::CommandButton, ValueType::I32,
     "CBF_ButtonSend"},
    {-1, "MAINP_BUTTON_GET", MAINP_BUTTON_GET, ControlKind::CommandButton, ValueType::I32,
     "CBF_ButtonGet"},
    {-1, "MAINP_TABMAIN1", MAINP_TABMAIN1, ControlKind::Tab, ValueType::I32, "CBF_TabMain1"},
    {0, "CONNP_EDIT_COM_PROTOCOL", CONNP_EDIT_COM_PROTOCOL, ControlKind::Ring, ValueType::U16,
     "CBF_EditCommunicationProtocol"},
    {0, "CONNP_BUTTON_FIND_COM_PORTS", CONNP_BUTTON_FIND_COM_PORTS, ControlKind::CommandButton,
     ValueType::I32, "CBF_ButtonFindComPorts"},
    {0, "CONNP_EDIT_COM_PORT", CONNP_EDIT_COM_PORT, ControlKind::Numeric, ValueType::U16,
     "CBF_EditSelectComPort"},
    {0, "CONNP_EDIT_BAUDRATE", CONNP_EDIT_BAUDRATE, ControlKind::Ring, ValueType::U16,
     "CBF_EditSelectBaudrate"},
    {0, "CONNP_STRING_IP_ADRESS", CONNP_STRING_IP_ADRESS, ControlKind::String, ValueType::Text,
     "CBF_StringIpAdress"},
    {0, "CONNP_STRING_PORT_NUMBER", CONNP_STRING_PORT_NUMBER, ControlKind::String, ValueType::Text,
     "CBF_StringPortNumber"},
    {0, "CONNP_BUTTON_TRY_TO_CONNECT", CONNP_BUTTON_TRY_TO_CONNECT, ControlKind::CommandButton,
     ValueType::I32, "CBF_ButtonTryToConnect"},
    {0, "CONNP_BUTTON_DISCONNECT", CONNP_BUTTON_DISCONNECT, ControlKind::CommandButton,
     ValueType::I32, "CBF_ButtonDisconnect"},
    {0, "CONNP_TEXTBOX_STATUS", CONNP_TEXTBOX_STATUS, ControlKind::TextBox, ValueType::Text,
     "CBF_DispStatus"},
    {0, "CONNP_BUTTON_ACCEPT", CONNP_BUTTON_ACCEPT, ControlKind::CommandButton, ValueType::I32,
     "CBF_ButtonAccept"},
    {0, "CONNP_BUTTON_CHANGE_BAUDRATE", CONNP_BUTTON_CHANGE_BAUDRATE, ControlKind::CommandButton,
     ValueType::I32, "CBF_ButtonChangeBaudrate"},
    {0, "CONNP_BUTTON_GEN_HW_INFO_FILE", CONNP_BUTTON_GEN_HW_INFO_FILE, ControlKind::CommandButton,
     ValueType::I32, "CBF_ButtonGenHwInfoFile"},
    {0, "CONNP_STRING_ID", CONNP_STRING_ID, ControlKind::String, ValueType::Text, "CBF_EditID"},
    {0, "CONNP_EDIT_LANGUAGE", CONNP_EDIT_LANGUAGE, ControlKind::Ring, ValueType::I32,
     "CBF_EditLanguage"},
    {1, "PARAP_EDIT_CTRL_MODE", PARAP_EDIT_CTRL_MODE, ControlKind::Ring, ValueType::U16,
     "CBF_EditCtrlMode"},
    {1, "PARAP_TGBTN_OUT5", PARAP_TGBTN_OUT5, ControlKind::ToggleButton, ValueType::I32,
     "CBF_TgBtnCtrlMode"},
    {1, "PARAP_TGBTN_OUT4", PARAP_TGBTN_OUT4, ControlKind::ToggleButton, ValueType::I32,
     "CBF_TgBtnCtrlMode"},
    {1, "PARAP_TGBTN_OUT3", PARAP_TGBTN_OUT3, ControlKind::ToggleButton, ValueType::I32,
     "CBF_TgBtnCtrlMode"},
    {1, "PARAP_TGBTN_OUT2", PARAP_TGBTN_OUT2, ControlKind::ToggleButton, ValueType::I32,
     "CBF_TgBtnCtrlMode"},
    {1, "PARAP_TGBTN_OUT1", PARAP_TGBTN_OUT1, ControlKind::ToggleButton, ValueType::I32,
     "CBF_TgBtnCtrlMode"},
    {1, "PARAP_NUMKNOB_ON_TIME", PARAP_NUMKNOB_ON_TIME, ControlKind::Numeric, ValueType::U16,
     "CBF_NumKnobOnTime"},
    {1, "PARAP_NUMKNOB_OFF_TIME", PARAP_NUMKNOB_OFF_TIME, ControlKind::Numeric, ValueType::U16,
     "CBF_NumKnobOffTime"},
};

TEST_F(MainPanelTest, EveryControlOfTheCatalogHasItsIdKindWidthAndCallback) {
    for (const CatalogEntry& e : kCatalog) {
        SCOPED_TRACE(e.name);
        const int p = page(e.page);
        ASSERT_EQ(model.controlId(p, e.name), e.id);
        const ControlState* c = model.control(p, e.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, e.kind);
        EXPECT_EQ(c->valueType, e.type);
        EXPECT_EQ(c->callbackName, e.callback);
    }
    EXPECT_EQ(model.panel(main)->callbackName, "CBF_MAINP");
    EXPECT_EQ(model.panel(main)->rect.width, 386);
    EXPECT_EQ(model.panel(main)->rect.height, 690);
}

TEST_F(MainPanelTest, RingsOfferTheValuesTheProgramUses) {
    auto values = [&](int p, int id) {
        std::vector<int> v;
        for (const RingItem& item : model.control(p, id)->items) {
            v.push_back(item.value);
        }
        return v;
    };
    EXPECT_EQ(values(connection, CONNP_EDIT_COM_PROTOCOL), (std::vector<int>{0, 1}));
    EXPECT_EQ(values(connection, CONNP_EDIT_BAUDRATE), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(values(connection, CONNP_EDIT_LANGUAGE), (std::vector<int>{0, 1}));
    const std::vector<int> modes = values(parameter, PARAP_EDIT_CTRL_MODE);
    ASSERT_GE(modes.size(), 3u);
    EXPECT_EQ(modes.front(), 0);  // STATIC
    EXPECT_EQ(model.control(connection, CONNP_STRING_IP_ADRESS)->maxLength, 255);
    EXPECT_EQ(model.control(connection, CONNP_STRING_PORT_NUMBER)->maxLength, 31);
    EXPECT_EQ(model.control(connection, CONNP_STRING_ID)->maxLength, 99);
    EXPECT_EQ(model.control(main, MAINP_BUTTON_SEND)->shortcutKey, "F9");
    EXPECT_EQ(model.control(main, MAINP_BUTTON_GET)->shortcutKey, "F10");
}

TEST_F(MainPanelTest, ValuesKeepTheWidthOfTheirControl) {
    // A 16-bit control keeps the low 16 bits, a 32-bit one the whole value.
    model.setValue(parameter, PARAP_NUMKNOB_ON_TIME, 0x1FFFF);
    EXPECT_EQ(model.value(parameter, PARAP_NUMKNOB_ON_TIME), 0xFFFF);
    model.setValue(parameter, PARAP_TGBTN_OUT1, 16);
    EXPECT_EQ(model.value(parameter, PARAP_TGBTN_OUT1), 16);
    model.setValue(main, MAINP_BUTTON_RAM, -1);
    EXPECT_EQ(model.value(main, MAINP_BUTTON_RAM), -1);
}

TEST_F(MainPanelTest, RingRefusesAValueNoneOfItsItemsHasAndKeepsItsOwn) {
    ASSERT_EQ(model.setValue(parameter, PARAP_EDIT_CTRL_MODE, 1), PANEL_OK);
    EXPECT_EQ(model.setValue(parameter, PARAP_EDIT_CTRL_MODE, 999), PANEL_ERR_NOT_IN_LIST);
    EXPECT_EQ(model.value(parameter, PARAP_EDIT_CTRL_MODE), 1);
}

TEST_F(MainPanelTest, StatusBoxAppendsAndOnlyResetEmptiesIt) {
    model.setText(connection, CONNP_TEXTBOX_STATUS, "Try to connect!\n");
    model.setText(connection, CONNP_TEXTBOX_STATUS, "TIMEOUT!");
    model.setText(connection, CONNP_TEXTBOX_STATUS, "\n\n");
    EXPECT_EQ(model.text(connection, CONNP_TEXTBOX_STATUS), "Try to connect!\nTIMEOUT!\n\n");
    model.resetTextBox(connection, CONNP_TEXTBOX_STATUS, "");
    EXPECT_EQ(model.text(connection, CONNP_TEXTBOX_STATUS), "");
}

TEST_F(MainPanelTest, StringControlReplacesAndCutsToItsLength) {
    model.setText(connection, CONNP_STRING_PORT_NUMBER, "5001");
    model.setText(connection, CONNP_STRING_PORT_NUMBER, "6000");
    EXPECT_EQ(model.text(connection, CONNP_STRING_PORT_NUMBER), "6000");
    model.setText(connection, CONNP_STRING_PORT_NUMBER, std::string(40, '7'));
    EXPECT_EQ(model.text(connection, CONNP_STRING_PORT_NUMBER), std::string(31, '7'));
}

TEST_F(MainPanelTest, DimmedAndVisibleAreSeparateAttributes) {
    model.setValue(connection, CONNP_EDIT_BAUDRATE, 6);
    model.setDimmed(connection, CONNP_EDIT_BAUDRATE, true);
    model.setVisible(connection, CONNP_EDIT_BAUDRATE, false);
    EXPECT_TRUE(model.dimmed(connection, CONNP_EDIT_BAUDRATE));
    EXPECT_FALSE(model.visible(connection, CONNP_EDIT_BAUDRATE));
    model.setVisible(connection, CONNP_EDIT_BAUDRATE, true);
    EXPECT_TRUE(model.dimmed(connection, CONNP_EDIT_BAUDRATE));
    EXPECT_EQ(model.value(connection, CONNP_EDIT_BAUDRATE), 6);
}

TEST_F(MainPanelTest, OperatorInputBecomesEventsAndDimmedControlsTakeNone) {
    std::vector<int> events;
    model.bindControlCallback("CBF_ButtonSelectMem", [&](int, int, int event, int, int) {
        events.push_back(event);
        return 0;
    });
    model.operatorSetValue(main, MAINP_BUTTON_EEPROM, 1);
    EXPECT_EQ(events, (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));

    events.clear();
    model.setDimmed(main, MAINP_BUTTON_EEPROM, true);
    model.operatorSetValue(main, MAINP_BUTTON_EEPROM, 0);
    model.dispatchControlEvent(main, MAINP_BUTTON_EEPROM, EVENT_RIGHT_CLICK);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(model.value(main, MAINP_BUTTON_EEPROM), 1);
}

TEST_F(MainPanelTest, ProgramTabSwitchRaisesNoEventButTheOperatorsDoes) {
    std::vector<int> events;
    model.bindControlCallback("CBF_TabMain1", [&](int, int, int event, int d1, int) {
        events.push_back(event);
        events.push_back(d1);
        return 0;
    });
    model.setActiveTabPage(main, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
    EXPECT_TRUE(events.empty());
    model.operatorSelectTab(main, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
    EXPECT_EQ(events, (std::vector<int>{EVENT_ACTIVE_TAB_CHANGE, PARAMETER_PAGE_INDEX}));
    EXPECT_EQ(model.activeTabPage(main, MAINP_TABMAIN1), PARAMETER_PAGE_INDEX);

    // A hidden page cannot be chosen by the operator.
    events.clear();
    model.setTabPageVisible(main, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX, false);
    model.operatorSelectTab(main, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(model.activeTabPage(main, MAINP_TABMAIN1), PARAMETER_PAGE_INDEX);
}

TEST_F(MainPanelTest, ComboHistoryInsertsAndDeletes) {
    ASSERT_EQ(model.makeCombo(connection, CONNP_STRING_IP_ADRESS), PANEL_OK);
    for (const char* host : {"C", "B", "A"}) {
        model.insertComboItem(connection, CONNP_STRING_IP_ADRESS, 0, host);
    }
    EXPECT_EQ(model.comboIndexOf(connection, CONNP_STRING_IP_ADRESS, "B"), 1);
    EXPECT_EQ(model.comboIndexOf(connection, CONNP_STRING_IP_ADRESS, "Z"), -1);
    model.deleteComboItems(connection, CONNP_STRING_IP_ADRESS, 1, -1);
    EXPECT_EQ(model.comboItemCount(connection, CONNP_STRING_IP_ADRESS), 1);
    EXPECT_EQ(model.comboItem(connection, CONNP_STRING_IP_ADRESS, 0), "A");
}

TEST_F(MainPanelTest, AutoCentreUsesTheScreenSize) {
    model.setScreenSize(1000, 800);
    model.setPanelSize(main, 690, 386);
    model.setPanelPos(main, PANEL_AUTO_CENTER, PANEL_AUTO_CENTER);
    EXPECT_EQ(model.panel(main)->rect.top, 55);
    EXPECT_EQ(model.panel(main)->rect.left, 307);
}

TEST_F(MainPanelTest, ObserverHearsOfEveryChange) {
    struct Recorder : PanelObserver {
        std::vector<std::pair<int, int>> changed;
        void controlChanged(int p, int c) override { changed.emplace_back(p, c); }
        void controlCreated(int p, int c) override { changed.emplace_back(p, c); }
        void panelChanged(int p) override { changed.emplace_back(p, 0); }
        void panelDiscarded(int) override {}
    } recorder;
    model.addObserver(&recorder);
    model.setDimmed(connection, CONNP_BUTTON_ACCEPT, false);
    model.setText(connection, CONNP_TEXTBOX_STATUS, "x");
    model.setPanelTitle(main, "QUORVANE V1.0");
    model.removeObserver(&recorder);
    model.setLabel(connection, CONNP_BUTTON_ACCEPT, "y");
    EXPECT_EQ(
        recorder.changed,
        (std::vector<std::pair<int, int>>{
            {connection, CONNP_BUTTON_ACCEPT}, {connection, CONNP_TEXTBOX_STATUS}, {main, 0}}));
}

TEST_F(MainPanelTest, LanguageFilesReplaceTheFixedTextsBothWays) {
    ASSERT_EQ(model.localizePanel(main, kResourceDir + "/language_ger.lwl"), PANEL_OK);
    EXPECT_EQ(model.label(main, MAINP_BUTTON_FILE), "DATEI");
    EXPECT_EQ(model.label(main, MAINP_BUTTON_SEND), "SENDEN");
    EXPECT_EQ(model.control(parameter, PARAP_EDIT_CTRL_MODE)->items[0].label, "STATISCH");
    EXPECT_EQ(model.control(main, MAINP_TABMAIN1)->pages[0].label, "Verbindung");

    ASSERT_EQ(model.localizePanel(main, kResourceDir + "/language_eng.lwl"), PANEL_OK);
    EXPECT_EQ(model.label(main, MAINP_BUTTON_FILE), "FILE");
    EXPECT_EQ(model.control(parameter, PARAP_EDIT_CTRL_MODE)->items[0].label, "STATIC");
    EXPECT_EQ(model.control(main, MAINP_TABMAIN1)->pages[0].label, "Connection");
}

TEST_F(MainPanelTest, MissingLanguageFileChangesNothing) {
    EXPECT_EQ(model.localizePanel(main, kResourceDir + "/no_such_language.lwl"), PANEL_ERR_FILE);
    EXPECT_EQ(model.label(main, MAINP_BUTTON_FILE), "FILE");
}

TEST_F(MainPanelTest, TextMessageMadeAtRunTime) {
    const int id = model.newTextMessage(main, 15, 20);
    ASSERT_GT(id, MAINP_TABMAIN1);
    model.setTextAppearance(main, id, "NIDialogMetaFont", 0xFFFFFF, 0x000000, 22);
    model.setText(main, id, "QUORVANE V1.0");
    const ControlState* c = model.control(main, id);
    EXPECT_EQ(c->kind, ControlKind::TextMessage);
    EXPECT_EQ(c->rect.top, 15);
    EXPECT_EQ(c->rect.left, 20);
    EXPECT_EQ(c->pointSize, 22);
    EXPECT_EQ(c->text, "QUORVANE V1.0");
}

TEST_F(MainPanelTest, DiscardFreesThePanelWithItsPages) {
    EXPECT_EQ(model.discardPanel(main), PANEL_OK);
    EXPECT_EQ(model.panel(main), nullptr);
    EXPECT_EQ(model.panel(connection), nullptr);
    EXPECT_EQ(model.setText(connection, CONNP_TEXTBOX_STATUS, "x"), PANEL_ERR_NO_PANEL);
}

const char* const kGoodHead =
    "[PANEL P]\nRESOURCE = 1\n\n[PANEL PAGE]\nPARENT = \"P\"\nTITLE = \"Page\"\n\n"
    "[CONTROL P_TAB]\nPANEL = \"P\"\nID = 2\nKIND = \"tab\"\nPAGES = \"PAGE\"\n\n";

struct BrokenPanelFile {
    const char* what;
    std::string text;
};

class BrokenPanelFileTest : public ::testing::TestWithParam<BrokenPanelFile> {};

TEST_P(BrokenPanelFileTest, LoadingFails) {
    TempDir dir;
    PanelModel model;
    EXPECT_EQ(model.loadPanel(0, dir.write("broken.uir", GetParam().text), 1), PANEL_ERR_FILE);
    EXPECT_TRUE(model.panelHandles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    PanelFile, BrokenPanelFileTest,
    ::testing::Values(
        BrokenPanelFile{"empty file", ""},
        BrokenPanelFile{"no panel with that resource", "[PANEL P]\nRESOURCE = 2\n"},
        BrokenPanelFile{"tab page without its section",
                        "[PANEL P]\nRESOURCE = 1\n[CONTROL T]\nPANEL = \"P\"\nID = 2\n"
                        "KIND = \"tab\"\nPAGES = \"MISSING\"\n"},
        BrokenPanelFile{"two controls with one id",
                        std::string(kGoodHead) +
                            "[CONTROL A]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"command\"\n"
                            "[CONTROL B]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"command\"\n"},
        BrokenPanelFile{
            "unknown kind",
            std::string(kGoodHead) + "[CONTROL A]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"slider\"\n"},
        BrokenPanelFile{"control without id", std::string(kGoodHead) +
                                                  "[CONTROL A]\nPANEL = \"PAGE\"\n"
                                                  "KIND = \"command\"\n"},
        BrokenPanelFile{
            "ring without items",
            std::string(kGoodHead) + "[CONTROL A]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"ring\"\n"},
        BrokenPanelFile{"ring value no item has",
                        std::string(kGoodHead) +
                            "[CONTROL A]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"ring\"\n"
                            "ITEM 1 LABEL = \"x\"\nITEM 1 VALUE = 0\nVALUE = 5\n"},
        BrokenPanelFile{"binary garbage", std::string("\x01\x02[\xff\x00=\x7f", 8)}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(PanelFile, MissingFileFails) {
    PanelModel model;
    EXPECT_EQ(model.loadPanel(0, kResourceDir + "/no_such_panel.uir", MAINP), PANEL_ERR_FILE);
}

TEST(PanelFile, SmallPanelLoadsWithItsPage) {
    TempDir dir;
    PanelModel model;
    const int p = model.loadPanel(
        0,
        dir.write("small.uir", std::string(kGoodHead) +
                                   "[CONTROL A]\nPANEL = \"PAGE\"\nID = 3\nKIND = \"ring\"\n"
                                   "TYPE = \"u16\"\nITEM 1 LABEL = \"x\"\nITEM 1 VALUE = 4\n"),
        1);
    ASSERT_GT(p, 0);
    const int pageHandle = model.tabPagePanel(p, 2, 0);
    ASSERT_GT(pageHandle, 0);
    EXPECT_EQ(model.value(pageHandle, 3), 4);
    EXPECT_EQ(model.control(p, 2)->pages[0].label, "Page");
}

}  // namespace
}  // namespace qv
