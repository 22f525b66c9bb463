#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/BilingualText.h"
#include "core/Context.h"

namespace qv {

inline constexpr int kParameterPayloadSize = 8;

// The reports after the sensor's plausibility check replaced parameters by their defaults.
inline constexpr BilingualText kWriteRamPlausibilityText{
    " Plausibilitaets-Check der Parameter im RAM fehlgeschlagen, wurden auf Voreinstellung "
    "gesetzt!",
    " Parameter in RAM did not pass plausibility check and were set to default value!"};
inline constexpr BilingualText kLoadEepromPlausibilityText{
    " Plausibilitaets-Check der Parameter im EEPROM fehlgeschlagen, wurden auf Voreinstellung "
    "gesetzt!\n\n",
    " Parameter from EEPROM did not pass plausibility check and were set to default value!\n\n"};

// The set on the wire: controlMode, onTime, offTime, outs, each 16 bits, low byte first.
std::array<std::uint8_t, kParameterPayloadSize> EncodeParameterSet(const ParameterSet& set);
ParameterSet DecodeParameterSet(const std::uint8_t* payload);

// The plausibility report: title, line break, the count as an unsigned number, the text.
std::string PlausibilityReport(int language, std::uint16_t count, const BilingualText& text);

// Page -> sensor RAM, then stored into the EEPROM when that is the memory target.
// Whether it worked shows in LinkOk; failures have been reported.
void SendPara(Context& ctx);

// Sensor -> page: with EEPROM as the memory target the sensor first loads its EEPROM into RAM;
// then RAM is read and shown.
void GetPara(Context& ctx);

}  // namespace qv
