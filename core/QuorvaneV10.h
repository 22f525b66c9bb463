#pragma once

// Panel resources and control identifiers of the panel file "QuorvaneV10.uir".
// Each tab page is a panel of its own, so the same number names different controls on
// different panels. The panel file carries the same numbers; loading checks them by name.

namespace qv {

enum PanelResource : int { MAINP = 1 };

enum MainPanelControl : int {
    MAINP_BUTTON_RAM = 2,
    MAINP_BUTTON_EEPROM = 3,
    MAINP_BUTTON_FILE = 4,
    MAINP_BUTTON_SEND = 5,
    MAINP_BUTTON_GET = 6,
    MAINP_TABMAIN1 = 7,
};

// Tab page indices of MAINP_TABMAIN1.
enum TabPageIndex : int {
    CONNECTION_PAGE_INDEX = 0,
    PARAMETER_PAGE_INDEX = 1,
    SETTINGS_PAGE_INDEX = 2,
};

enum ConnectionPageControl : int {
    CONNP_EDIT_COM_PROTOCOL = 2,
    CONNP_BUTTON_FIND_COM_PORTS = 3,
    CONNP_EDIT_COM_PORT = 4,
    CONNP_EDIT_BAUDRATE = 5,
    CONNP_STRING_IP_ADRESS = 6,
    CONNP_STRING_PORT_NUMBER = 7,
    CONNP_BUTTON_TRY_TO_CONNECT = 8,
    CONNP_BUTTON_DISCONNECT = 9,
    CONNP_TEXTBOX_STATUS = 10,
    CONNP_BUTTON_ACCEPT = 11,
    CONNP_BUTTON_CHANGE_BAUDRATE = 12,
    CONNP_BUTTON_GEN_HW_INFO_FILE = 13,
    CONNP_STRING_ID = 14,
    CONNP_EDIT_LANGUAGE = 15,
};

enum ParameterPageControl : int {
    PARAP_EDIT_CTRL_MODE = 2,
    PARAP_TGBTN_OUT5 = 5,
    PARAP_TGBTN_OUT4 = 6,
    PARAP_TGBTN_OUT3 = 7,
    PARAP_TGBTN_OUT2 = 8,
    PARAP_TGBTN_OUT1 = 9,
    PARAP_NUMKNOB_ON_TIME = 10,
    PARAP_NUMKNOB_OFF_TIME = 12,
};

}  // namespace qv
