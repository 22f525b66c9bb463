#include "SimOptions.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

namespace qvsim {

namespace {

// Accepts decimal or 0x-prefixed hexadecimal; a leading zero does not mean octal here, so that
// "010" on a command line is ten as a tester would expect.
bool parseNumber(const std::string& text, long min, long max, long& out) {
    if (text.empty()) {
        return false;
    }
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    const char* begin = text.c_str() + start;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, base);
    if (errno != 0 || end == begin || *end != '\0' || value < min || value > max) {
        return false;
    }
    out = value;
    return true;
}

bool parseParameterValues(const std::string& text, ParameterValues& out) {
    std::vector<std::uint16_t> fields;
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = text.find(',', pos);
        long value = 0;
        if (!parseNumber(text.substr(pos, comma - pos), 0, 0xFFFF, value)) {
            return false;
        }
        fields.push_back(static_cast<std::uint16_t>(value));
        if (comma == std::string::npos) {
            break;
        }
        pos = comma + 1;
    }
    if (fields.size() != 4) {
        return false;
    }
    out = {fields[0], fields[1], fields[2], fields[3]};
    return true;
}

}  // namespace

std::optional<Options> parseOptions(int argc, char** argv, std::string& error) {
    Options options;
    bool tcpGiven = false;

    using Setter = std::function<bool(const std::string&)>;
    auto number = [](long min, long max, auto assign) {
        return Setter([=](const std::string& text) {
            long value = 0;
            if (!parseNumber(text, min, max, value)) {
                return false;
            }
            assign(value);
            return true;
        });
    };
    Faults& f = options.faults;
    const std::map<std::string, Setter> withValue = {
        {"--tcp", number(0, 65535,
                         [&](long v) {
                             options.tcpPort = static_cast<int>(v);
                             tcpGiven = true;
                         })},
        {"--bind", [&](const std::string& t) { return !(options.bindAddress = t).empty(); }},
        {"--pty", [&](const std::string& t) { return !(options.ptyPath = t).empty(); }},
        {"--firmware", [&](const std::string& t) { return (options.firmware = t).size() <= 2040; }},
        {"--serial",
         number(0, 0xFFFF, [&](long v) { options.serial = static_cast<std::uint16_t>(v); })},
        {"--name", [&](const std::string& t) { return (options.name = t).size() <= 2040; }},
        {"--hw-seed",
         number(0, 0xFFFF, [&](long v) { options.hwSeed = static_cast<std::uint16_t>(v); })},
        {"--eeprom", [&](const std::string& t) { return parseParameterValues(t, options.eeprom); }},
        {"--ram", [&](const std::string& t) { return parseParameterValues(t, options.ram); }},
        {"--log", [&](const std::string& t) { return !(options.logPath = t).empty(); }},
        {"--fault-order", number(0, 255, [&](long v) { f.onlyOrder = static_cast<int>(v); })},
        {"--delay", number(0, 600000, [&](long v) { f.delayMs = static_cast<int>(v); })},
        {"--split", number(1, 65536, [&](long v) { f.splitBytes = static_cast<int>(v); })},
        {"--split-gap", number(0, 600000, [&](long v) { f.splitGapMs = static_cast<int>(v); })},
        {"--error-reply", number(1, 2, [&](long v) { f.errorReply = static_cast<int>(v); })},
        {"--drop-after", number(1, 1000000, [&](long v) { f.dropAfter = static_cast<int>(v); })},
        {"--garbage", number(1, 1000000, [&](long v) { f.garbage = static_cast<int>(v); })},
        {"--extra", number(1, 1000000, [&](long v) { f.extra = static_cast<int>(v); })},
    };
    const std::map<std::string, bool*> flags = {
        {"--silent", &f.silent},           {"--bad-header-crc", &f.badHeaderCrc},
        {"--bad-data-crc", &f.badDataCrc}, {"--overlong", &f.overlong},
        {"--help", &options.help},         {"-h", &options.help},
    };

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (auto flag = flags.find(arg); flag != flags.end() && !inlineValue) {
            *flag->second = true;
            continue;
        }
        auto setter = withValue.find(arg);
        if (setter == withValue.end()) {
            error = "unknown option: " + std::string(argv[i]);
            return std::nullopt;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return std::nullopt;
            }
            inlineValue = argv[++i];
        }
        if (!setter->second(*inlineValue)) {
            error = "bad value for " + arg + ": \"" + *inlineValue + "\"";
            return std::nullopt;
        }
    }
    options.useTcp = tcpGiven || options.ptyPath.empty();
    return options;
}

std::string usageText() {
    return R"(Usage: quorvane-sensor-sim [options]

A simulated QUORVANE sensor. It answers the panel's request frames on a TCP port and/or a
pseudo-terminal, one request at a time, with one reply each.

Links (at least one; without --tcp and --pty it listens on TCP port 5000):
  --tcp PORT          listen on TCP PORT; 0 picks a free port. One client at a time; the next
                      one is accepted when the current client has left.
  --bind ADDR         address to listen on (default 127.0.0.1, loopback only).
  --pty PATH          open a pseudo-terminal in raw mode and make PATH a symbolic link to its
                      device. An existing link at PATH is replaced; the link is removed at exit.

Once the links are up, one line is printed to stdout and flushed:
  listening tcp=PORT pty=PATH
with PORT the port actually bound; a part is left out when its link is not used.

Sensor contents:
  --firmware TEXT     identity returned by ReadFirmwareId (7) (default "QUORVANE V1.0.0").
  --serial N          serial number returned by ReadSerialNumber (15) in the reply's
                      parameter (0..65535, default 4711).
  --name TEXT         sensor name returned by ReadSerialNumber as data (default "QV-SIM").
  --hw-seed N         seed of the 512-byte ReadHwInfo (194) block: word i (little-endian)
                      is (N + i * 0x0103) & 0xFFFF, i = 0..255 (default 0x1234).
  --ram M,ON,OFF,OUTS     preset RAM parameters (default 0,500,1,0).
  --eeprom M,ON,OFF,OUTS  preset EEPROM parameters (default 0,500,1,0).
                      Presets are not checked, so implausible values can be staged.
Numbers may be decimal or 0x-prefixed hexadecimal.

Orders: 1 WriteRam, 2 ReadRam, 3 StoreEeprom, 4 LoadEeprom, 7 ReadFirmwareId,
15 ReadSerialNumber, 190 SetBaudrate, 194 ReadHwInfo (request parameter must be 0x5E93).
Normal replies echo the request's order. Other orders get the error reply with code 1; a bad
header CRC, a bad payload CRC or a WriteRam payload that is not 8 bytes gets code 2. Bytes in
front of a 0x55 that starts a valid header are dropped (one error reply per bad header run).

Plausibility check (after WriteRam, and on RAM after LoadEeprom copies EEPROM to RAM): each
implausible field is reset to its default and the reply's parameter is the number reset.
  controlMode  must be 0, 1 or 2        (default 0)
  onTime       must be 1..60000         (default 500)
  offTime      must be 1..60000         (default 1)
  outs         must be <= 0x1F          (default 0)
The EEPROM keeps what it holds; only RAM is corrected.

SetBaudrate (190) takes the index 0..7 (9600, 19200, 38400, 57600, 115200, 230400, 460800,
921600; other values mean 115200). The reply goes out at the old rate; then the pseudo-
terminal is switched to the new rate. Over TCP the index is only remembered and logged.

Faults (each applies to every order unless --fault-order is given):
  --fault-order N     limit the faults to requests with order number N.
  --silent            never answer (the request is logged but not carried out).
  --delay MS          wait MS milliseconds before answering.
  --split N           send the reply in pieces of N bytes ...
  --split-gap MS      ... MS milliseconds apart (default 20).
  --bad-header-crc    corrupt the reply's header CRC.
  --bad-data-crc      corrupt the reply's data CRC (the header CRC stays valid).
  --error-reply 1|2   answer with the error reply of that code instead (order not carried out).
  --drop-after N      close the TCP connection, or hang up the pseudo-terminal (a new one is
                      linked at PATH), after answering N requests on it.
  --overlong          announce 3000 data bytes in a valid header and send 8 + 3000 bytes.
  --garbage N         send N junk bytes (never 0x55) in front of the reply.
  --extra N           send N junk bytes after the reply.

Logging:
  Every request received is written to stderr as one line "rx <hex bytes>" (upper-case hex,
  separated by single blanks). Other events go to stderr only.
  --log FILE          also append the "rx" lines to FILE, flushed line by line.

  --help, -h          show this text.

SIGINT and SIGTERM end the simulator cleanly (exit code 0).
)";
}

}  // namespace qvsim
