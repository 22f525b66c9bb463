#pragma once

#include "core/BilingualText.h"

namespace qv {

// The protocol's reports in the status box. The spaces before each line break are part of the
// texts the operator has always seen.

inline constexpr BilingualText kTimeoutMessage{
    "TIMEOUT! \nKeine Daten erhalten! \nVerbindungsfehler! \nSpannungsversorgung und COM "
    "Einstellungen ueberpruefen. \nVerbindungsaufbau wiederholen!",
    "TIMEOUT! \nNo data received! \nCommunication error! \nCheck power supply and COM "
    "settings. \nTry to connect again!"};

inline constexpr BilingualText kInvalidHeaderMessage{
    "ACHTUNG! \nEmpfangener header frame ist ungueltig!",
    "ATTENTION! \nReceived header frame is incorrect!"};

// Error reply with code 1: the sensor does not know the order.
inline constexpr BilingualText kInvalidOrderMessage{
    "Ungueltiger Befehl! \nPC und Sensor-Software ueberpruefen!",
    "Invalid order number! \nVerify PC and sensor software!"};

// Error reply with code 2: the sensor saw garbled bytes.
inline constexpr BilingualText kCommunicationErrorMessage{
    "Verbindungsfehler! \nEventuell Baudrate reduzieren!",
    "Communication error! \nYou may have to reduce baudrate!"};

inline constexpr BilingualText kInvalidDataMessage{
    "ACHTUNG! \nEmpfangener Daten frame ist ungueltig!",
    "ATTENTION! \nReceived data frame is incorrect!"};

}  // namespace qv
