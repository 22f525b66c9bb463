#pragma once

// The exchange's link-error reports as the operator reads them, in both languages.

#include "core/BilingualText.h"

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

}  // namespace qv::test
