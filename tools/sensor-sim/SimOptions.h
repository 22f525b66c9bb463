#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qvsim {

struct ParameterValues {
    std::uint16_t controlMode = 0;
    std::uint16_t onTime = 500;
    std::uint16_t offTime = 1;
    std::uint16_t outs = 0;
};

// Faults that distort or withhold replies; all off by default.
struct Faults {
    std::optional<int> onlyOrder;  // unset: every order is affected
    bool silent = false;
    int delayMs = 0;
    int splitBytes = 0;  // 0: the reply goes out in one piece
    int splitGapMs = 20;
    bool badHeaderCrc = false;
    bool badDataCrc = false;
    int errorReply = 0;  // 0: normal replies
    int dropAfter = 0;   // 0: never drop the link
    bool overlong = false;
    int garbage = 0;
    int extra = 0;

    bool appliesTo(int order) const { return !onlyOrder || *onlyOrder == order; }
};

struct Options {
    bool useTcp = false;
    int tcpPort = 5000;
    std::string bindAddress = "127.0.0.1";
    std::string ptyPath;  // empty: no pseudo-terminal
    std::string firmware = "QUORVANE V1.0.0";
    std::uint16_t serial = 4711;
    std::string name = "QV-SIM";
    std::uint16_t hwSeed = 0x1234;
    ParameterValues ram;
    ParameterValues eeprom;
    std::string logPath;
    Faults faults;
    bool help = false;
};

// Parses argv; on bad input returns nullopt and puts a one-line reason into `error`.
std::optional<Options> parseOptions(int argc, char** argv, std::string& error);

std::string usageText();

}  // namespace qvsim
