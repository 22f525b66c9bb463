#pragma once

// The link-error reports as the operator reads them, in both languages, and the link state
// they change.

#include <string>

#include "core/BilingualText.h"
#include "core/Context.h"

namespace qv::test {

struct Report {
    const char* german;
    const char* english;
    const char* in(int language) const { return language == LANGUAGE_GERMAN ? german : english; }
};

inline const Report kTimeoutReport{
    "TIMEOUT! \nKeine Daten erhalten! \nVerbindungsfehler! \nSpannungsversorgung und COM "
    "Einstellungen ueberpruefen. \nVerbindungsaufbau wiederholen!",
    "TIMEOUT! \nNo data received! \nCommunication error! \nCheck power supply and COM settings. "
    "\nTry to connect again!"};
inline const Report kInvalidHeaderReport{"ACHTUNG! \nEmpfangener header frame ist ungueltig!",
                                         "ATTENTION! \nReceived header frame is incorrect!"};
inline const Report kInvalidOrderReport{
    "Ungueltiger Befehl! \nPC und Sensor-Software ueberpruefen!",
    "Invalid order number! \nVerify PC and sensor software!"};
inline const Report kCommunicationErrorReport{
    "Verbindungsfehler! \nEventuell Baudrate reduzieren!",
    "Communication error! \nYou may have to reduce baudrate!"};
inline const Report kInvalidDataReport{"ACHTUNG! \nEmpfangener Daten frame ist ungueltig!",
                                       "ATTENTION! \nReceived data frame is incorrect!"};

// The buttons that need a working link; a link-error report dims them.
inline constexpr int kLinkButtons[] = {CONNP_BUTTON_ACCEPT, CONNP_BUTTON_CHANGE_BAUDRATE,
                                       CONNP_BUTTON_GEN_HW_INFO_FILE};

// As after a successful connection, so that a report's every effect shows: LinkOk set, the
// link buttons usable, the parameter page in front. The status box is left alone.
void makeLinkWork(Context& ctx);

// Opens the in-memory TCP conversation to "sensor" on port 5000 with a handler that stores
// arriving bytes as the link's data-ready handler does (ReceiveTcpData). Returns the
// connect's result; the handle goes to ctx.link.tcpHandle.
int connectReceivingTcp(Context& ctx);

// A link-error report's every effect: the status box ends with the message and an empty
// line, LinkOk is 0, the link buttons are dimmed and the connection page is in front.
void expectLinkErrorReport(Context& ctx, const std::string& message);

}  // namespace qv::test
