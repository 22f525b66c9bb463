// Drives the simulator binary over real sockets and a real pseudo-terminal. Expected replies
// are literal bytes worked out by hand from the frame rules (CRC-8, start 0xAA), not produced by
// the simulator's own encoder.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Only guards against a hung simulator; no assertion depends on how fast it answers.
constexpr int kGuardMs = 5000;

Bytes hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return out;
}

Bytes operator+(Bytes a, const std::string& text) {
    a.insert(a.end(), text.begin(), text.end());
    return a;
}

const std::string kReadFirmwareId = "55 07 00 00 00 00 AA 52";
const std::string kReadRam = "55 02 00 00 00 00 AA B9";
const std::string kDefaultRam = "55 02 00 00 08 00 7A CB 00 00 F4 01 01 00 00 00";

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "qv-sim-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Reads until `count` bytes or end of stream; stops early only if the guard expires.
Bytes readBytes(int fd, std::size_t count) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        std::uint8_t buffer[4096];
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

bool endOfStream(int fd) {
    pollfd p{fd, POLLIN, 0};
    std::uint8_t byte;
    return poll(&p, 1, kGuardMs) == 1 && read(fd, &byte, 1) == 0;
}

void writeBytes(int fd, const Bytes& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

class Simulator {
  public:
    explicit Simulator(std::vector<std::string> args) {
        args.insert(args.begin(), QV_SENSOR_SIM_PATH);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
        // The first line tells where the simulator listens.
        while (pid_ > 0 && line_.find('\n') == std::string::npos) {
            const Bytes chunk = readBytes(stdout_, 1);
            if (chunk.empty()) {
                break;
            }
            line_ += static_cast<char>(chunk[0]);
        }
        if (!line_.empty() && line_.back() == '\n') {
            line_.pop_back();
        }
    }
    ~Simulator() {
        stop();
        if (stdout_ >= 0) {
            close(stdout_);
        }
    }

    const std::string& line() const { return line_; }
    int tcpPort() const {
        const auto at = line_.find("tcp=");
        return at == std::string::npos ? -1 : std::atoi(line_.c_str() + at + 4);
    }

    // Ends the simulator as a signal would; returns its exit status, or -1 if it did not exit.
    int stop() {
        if (pid_ <= 0) {
            return -1;
        }
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int connectTcp() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(tcpPort()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string line_;
};

struct Step {
    const char* what;
    std::string request;
    Bytes reply;
    std::string junkBefore = "";
};

// One sensor session in order, since RAM and EEPROM carry over from step to step.
TEST(SensorSim, SessionOverTcpAnswersEachOrderAndLogsRequests) {
    TempDir dir;
    const fs::path log = dir.path() / "requests.log";
    Simulator sim({"--tcp", "0", "--eeprom", "7,0,1,0", "--log", log.string()});
    ASSERT_GT(sim.tcpPort(), 0) << sim.line();
    const int fd = sim.connectTcp();
    ASSERT_GE(fd, 0);

    const std::vector<Step> steps = {
        {"identity", kReadFirmwareId, hex("55 07 00 00 0F 00 60 B9") + "QUORVANE V1.0.0"},
        {"serial and name", "55 0F 00 00 00 00 AA F3", hex("55 0F 67 12 06 00 63 0B") + "QV-SIM"},
        {"RAM defaults", kReadRam, hex(kDefaultRam)},
        {"EEPROM preset fails two checks", "55 04 00 00 00 00 AA 0B",
         hex("55 04 02 00 00 00 AA 88")},
        {"RAM after the reset", kReadRam, hex(kDefaultRam)},
        {"plausible write", "55 01 00 00 08 00 1F C8 02 00 E8 03 60 EA 1F 00",
         hex("55 01 00 00 00 00 AA E0")},
        {"RAM holds the write", kReadRam, hex("55 02 00 00 08 00 1F 91 02 00 E8 03 60 EA 1F 00")},
        {"store", "55 03 00 00 00 00 AA 8E", hex("55 03 00 00 00 00 AA 8E")},
        {"all four implausible", "55 01 00 00 08 00 20 37 03 00 00 00 61 EA 20 00",
         hex("55 01 04 00 00 00 AA FF")},
        {"RAM back at defaults", kReadRam, hex(kDefaultRam)},
        {"on time and outs implausible", "55 01 00 00 08 00 FE 7F 01 00 00 00 05 00 1F 01",
         hex("55 01 02 00 00 00 AA 63")},
        {"only bad fields reset", kReadRam, hex("55 02 00 00 08 00 37 70 01 00 F4 01 05 00 00 00")},
        {"EEPROM holds the stored set", "55 04 00 00 00 00 AA 0B", hex("55 04 00 00 00 00 AA 0B")},
        {"RAM loaded from EEPROM", kReadRam,
         hex("55 02 00 00 08 00 1F 91 02 00 E8 03 60 EA 1F 00")},
        {"bad header CRC", "55 07 00 00 00 00 AA 53", hex("55 00 02 00 00 00 AA 54")},
        {"bad payload CRC", "55 01 00 00 08 00 00 14 02 00 E8 03 60 EA 1F 00",
         hex("55 00 02 00 00 00 AA 54")},
        {"unknown order", "55 09 00 00 00 00 AA 41", hex("55 00 01 00 00 00 AA 1A")},
        {"hardware info without its key", "55 C2 00 00 00 00 AA 26",
         hex("55 00 01 00 00 00 AA 1A")},
        {"junk before a request is skipped", kReadFirmwareId,
         hex("55 07 00 00 0F 00 60 B9") + "QUORVANE V1.0.0", "00 13 FF"},
        {"baud rate index 7", "55 BE 07 00 00 00 AA 92", hex("55 BE 00 00 00 00 AA C3")},
    };
    std::string expectedLog;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        writeBytes(fd, hex(step.junkBefore + " " + step.request));
        EXPECT_EQ(readBytes(fd, step.reply.size()), step.reply);
        expectedLog += "rx " + step.request + "\n";
    }
    close(fd);
    EXPECT_EQ(sim.stop(), 0);

    std::ifstream in(log);
    std::stringstream logText;
    logText << in.rdbuf();
    EXPECT_EQ(logText.str(), expectedLog);
}

TEST(SensorSim, HardwareInfoIsA512ByteLittleEndianBlock) {
    Simulator sim({"--tcp", "0"});
    const int fd = sim.connectTcp();
    ASSERT_GE(fd, 0) << sim.line();
    writeBytes(fd, hex("55 C2 93 5E 00 00 AA 12"));
    const Bytes reply = readBytes(fd, 8 + 512);
    close(fd);
    ASSERT_EQ(reply.size(), 8u + 512u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 16),
              hex("55 C2 00 00 00 02 82 56 34 12 37 13 3A 14 3D 15"));
    EXPECT_EQ(Bytes(reply.end() - 4, reply.end()), hex("2E 13 31 14"));
}

struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, Bytes>> exchanges;  // empty reply: none may come
    bool closesAfter = false;
};

class SensorSimFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SensorSimFault, DistortsTheReplyOnTheWire) {
    const FaultCase& c = GetParam();
    std::vector<std::string> args = {"--tcp", "0"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Simulator sim(args);
    const int fd = sim.connectTcp();
    ASSERT_GE(fd, 0) << sim.line();
    // All requests go out first: a reply to a request that should stay unanswered would then
    // show up in front of the next reply.
    for (const auto& [request, reply] : c.exchanges) {
        writeBytes(fd, hex(request));
    }
    Bytes expected;
    for (const auto& exchange : c.exchanges) {
        expected.insert(expected.end(), exchange.second.begin(), exchange.second.end());
    }
    EXPECT_EQ(readBytes(fd, expected.size()), expected);
    if (c.closesAfter) {
        EXPECT_TRUE(endOfStream(fd));
    }
    close(fd);
    if (c.closesAfter) {
        // The next client is served again.
        const int again = sim.connectTcp();
        ASSERT_GE(again, 0);
        writeBytes(again, hex(kReadRam));
        EXPECT_EQ(readBytes(again, 16), hex(kDefaultRam));
        close(again);
    }
}

Bytes overlongReadRam() {
    Bytes out = hex("55 02 00 00 B8 0B 89 C2 00 00 F4 01 01 00 00 00");
    out.resize(8 + 3000, 0);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SensorSimFault,
    ::testing::Values(
        FaultCase{"BadHeaderCrc",
                  {"--bad-header-crc"},
                  {{kReadRam, hex("55 02 00 00 08 00 7A 34 00 00 F4 01 01 00 00 00")}}},
        FaultCase{"BadDataCrc",
                  {"--bad-data-crc"},
                  {{kReadRam, hex("55 02 00 00 08 00 85 FE 00 00 F4 01 01 00 00 00")}}},
        FaultCase{"ErrorReplyOnlyForChosenOrder",
                  {"--error-reply", "1", "--fault-order", "2"},
                  {{kReadRam, hex("55 00 01 00 00 00 AA 1A")},
                   {kReadFirmwareId, hex("55 07 00 00 0F 00 60 B9") + "QUORVANE V1.0.0"}}},
        FaultCase{
            "ErrorReplyTwo", {"--error-reply=2"}, {{kReadRam, hex("55 00 02 00 00 00 AA 54")}}},
        FaultCase{"SilentOnlyForChosenOrder",
                  {"--silent", "--fault-order", "7"},
                  {{kReadFirmwareId, {}}, {kReadRam, hex(kDefaultRam)}}},
        FaultCase{"GarbageInFront",
                  {"--garbage", "5"},
                  {{kReadRam, hex("DE AD BE EF DE " + kDefaultRam)}}},
        FaultCase{"ExtraBehind", {"--extra", "3"}, {{kReadRam, hex(kDefaultRam + " DE AD BE")}}},
        FaultCase{"SplitKeepsTheBytes",
                  {"--split", "3", "--split-gap", "5"},
                  {{kReadRam, hex(kDefaultRam)}, {kReadRam, hex(kDefaultRam)}}},
        FaultCase{"DelayKeepsTheBytes", {"--delay", "50"}, {{kReadRam, hex(kDefaultRam)}}},
        FaultCase{"Overlong", {"--overlong"}, {{kReadRam, overlongReadRam()}}},
        // The third request is still unread when the link drops; the replies must survive that.
        FaultCase{"DropAfterTwo",
                  {"--drop-after", "2"},
                  {{kReadRam, hex(kDefaultRam)}, {kReadRam, hex(kDefaultRam)}, {kReadRam, {}}},
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SensorSim, PseudoTerminalRoundTripAndBaudSwitch) {
    TempDir dir;
    const fs::path link = dir.path() / "ttyQV";
    std::string logPath;
    {
        Simulator sim({"--pty", link.string(), "--tcp", "0"});
        ASSERT_EQ(sim.line(),
                  "listening tcp=" + std::to_string(sim.tcpPort()) + " pty=" + link.string());
        ASSERT_TRUE(fs::is_symlink(link));
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);

        writeBytes(fd, hex(kReadFirmwareId));
        EXPECT_EQ(readBytes(fd, 23), hex("55 07 00 00 0F 00 60 B9") + "QUORVANE V1.0.0");
        writeBytes(fd, hex("55 BE 07 00 00 00 AA 92"));
        EXPECT_EQ(readBytes(fd, 8), hex("55 BE 00 00 00 00 AA C3"));
        // Once the next reply is back, the switch that followed the previous one has happened.
        writeBytes(fd, hex(kReadRam));
        EXPECT_EQ(readBytes(fd, 16), hex(kDefaultRam));
        tcgetattr(fd, &tio);
        EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B921600));
        close(fd);
        EXPECT_EQ(sim.stop(), 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SensorSim, PseudoTerminalHangUpDeliversLastReplyAndRelinks) {
    TempDir dir;
    const fs::path link = dir.path() / "ttyQV";
    Simulator sim({"--pty", link.string(), "--drop-after", "1"});
    ASSERT_EQ(sim.line(), "listening pty=" + link.string());
    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    writeBytes(fd, hex(kReadRam));
    EXPECT_EQ(readBytes(fd, 16), hex(kDefaultRam));
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, kGuardMs), 1);
    std::uint8_t byte;
    EXPECT_LE(read(fd, &byte, 1), 0) << "still connected after the hang-up";
    close(fd);

    // A fresh device serves the next client under the same path.
    const int again = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(again, 0);
    writeBytes(again, hex(kReadRam));
    EXPECT_EQ(readBytes(again, 16), hex(kDefaultRam));
    close(again);
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SensorSim, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> cases = {
        {"--error-reply", "3"}, {"--ram", "1,2,3"}, {"--serial", "65536"}, {"--tcp"}, {"--bogus"},
        {"--delay", "ten"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.front());
        Simulator sim(args);
        EXPECT_EQ(sim.line(), "");
        EXPECT_EQ(sim.stop(), 2);
    }
}

}  // namespace
