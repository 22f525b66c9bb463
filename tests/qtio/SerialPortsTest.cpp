#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WaitUntil.h"
#include "platform/qt/io/QtEventLoop.h"
#include "platform/qt/io/QtSerialPorts.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::waitUntil;

// The master side of a pseudo-terminal; its slave is the serial device under test.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return;
        }
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        slave_ = ::ptsname(master_);
    }
    ~PseudoTerminal() { hangUp(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool valid() const { return master_ >= 0 && !slave_.empty(); }
    const std::string& slave() const { return slave_; }

    void write(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the port sent, waiting up to a few seconds for `n` bytes.
    std::string read(std::size_t n) {
        std::string got;
        while (got.size() < n) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) {
                break;
            }
            char buffer[256];
            const ssize_t r = ::read(master_, buffer, std::min(sizeof buffer, n - got.size()));
            if (r <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(r));
        }
        return got;
    }
    // The device goes away, as when a USB adapter is pulled.
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    int master_ = -1;
    std::string slave_;
};

class QtSerialPortsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        programDir = dir.path().toStdString();
        fs::create_directory(portsDir());
        ASSERT_TRUE(pty->valid());
        link(7, pty->slave());
        ports = std::make_unique<QtSerialPorts>(loop, programDir);
    }

    fs::path portsDir() const { return fs::path(programDir) / "ports"; }

    void link(int n, const std::string& target) {
        const fs::path entry = portsDir() / ("COM" + std::to_string(n));
        fs::remove(entry);
        fs::create_symlink(target, entry);
    }

    int open(int n) { return ports->openComConfig(n, "", 115200, PARITY_NONE, 8, 1, 1024, 1024); }

    std::string read(int n, int count) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
        const int got = ports->comRd(n, buffer.data(), count);
        return got < 0 ? "error " + std::to_string(got)
                       : std::string(buffer.begin(), buffer.begin() + got);
    }

    int write(int n, const std::string& bytes) {
        return ports->comWrt(n, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<int>(bytes.size()));
    }

    QTemporaryDir dir;
    std::string programDir;
    QtEventLoop loop;
    std::unique_ptr<PseudoTerminal> pty = std::make_unique<PseudoTerminal>();
    std::unique_ptr<QtSerialPorts> ports;
};

TEST_F(QtSerialPortsTest, NumbersStandForTheirDevices) {
    const struct {
        int port;
        std::string device;
    } cases[] = {
        {1, "/dev/ttyS0"},
        {32, "/dev/ttyS31"},
        {33, "/dev/ttyUSB0"},
        {64, "/dev/ttyUSB31"},
        {65, "/dev/ttyACM0"},
        {96, "/dev/ttyACM31"},
        {0, ""},
        {-3, ""},
        {97, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ports->devicePath(c.port), c.device) << "COM" << c.port;
    }
    EXPECT_EQ(ports->devicePath(7), fs::canonical(pty->slave()).string());
    link(97, pty->slave());
    EXPECT_EQ(ports->devicePath(97), fs::canonical(pty->slave()).string());
}

TEST_F(QtSerialPortsTest, BytesTravelBothWays) {
    ASSERT_EQ(open(7), 0);
    EXPECT_EQ(write(7, std::string("\x55\x01\x02\x00\x00\x00\x7F\xAA", 8)), 8);
    EXPECT_EQ(pty->read(8), std::string("\x55\x01\x02\x00\x00\x00\x7F\xAA", 8));

    pty->write(std::string("\xAA\x00\x55\xFF", 4));
    EXPECT_EQ(read(7, 4), std::string("\xAA\x00\x55\xFF", 4));
}

TEST_F(QtSerialPortsTest, AShortReadReturnsWhatCameWhenTheTimeOutPasses) {
    ASSERT_EQ(open(7), 0);
    ASSERT_EQ(ports->setComTime(7, 0.2), 0);
    pty->write("\x01\x02");
    EXPECT_EQ(read(7, 5), "\x01\x02");
    EXPECT_EQ(read(7, 5), "");
}

TEST_F(QtSerialPortsTest, AReadTakesNoMoreThanAskedFor) {
    ASSERT_EQ(open(7), 0);
    pty->write("\x01\x02\x03\x04\x05\x06");
    EXPECT_EQ(read(7, 4), "\x01\x02\x03\x04");
    EXPECT_TRUE(waitUntil(loop, [&] { return ports->getInQLen(7) == 2; }));
    EXPECT_EQ(read(7, 2), "\x05\x06");
    EXPECT_EQ(ports->getInQLen(7), 0);
}

TEST_F(QtSerialPortsTest, FlushingTheInputDropsStaleBytes) {
    ASSERT_EQ(open(7), 0);
    pty->write("old");
    ASSERT_TRUE(waitUntil(loop, [&] { return ports->getInQLen(7) == 3; }));
    // Let Qt fetch them into its own buffer, which the flush must empty as well.
    loop.waitForEvents(0.05);
    EXPECT_EQ(ports->flushInQ(7), 0);
    EXPECT_EQ(ports->getInQLen(7), 0);

    pty->write("new");
    EXPECT_EQ(read(7, 3), "new");
}

TEST_F(QtSerialPortsTest, NumbersWithoutADeviceAreInvalid) {
    for (int n : {0, -1, 97, 200}) {
        EXPECT_EQ(open(n), SERIAL_INVALID_PORT) << "COM" << n;
    }
}

TEST_F(QtSerialPortsTest, AnEntryWhoseDeviceIsMissingFindsNoPort) {
    link(9, (fs::path(programDir) / "no-such-device").string());
    std::ofstream(portsDir() / "COM10") << programDir << "/no-such-device\n";
    for (int n : {9, 10}) {
        EXPECT_EQ(open(n), SERIAL_NO_PORT_FOUND) << "COM" << n;
    }
}

TEST_F(QtSerialPortsTest, AFileEntryNamesItsDeviceOnItsFirstLine) {
    std::ofstream(portsDir() / "COM11") << pty->slave() << "\nignored\n";
    ASSERT_EQ(open(11), 0);
    EXPECT_EQ(write(11, "\x55"), 1);
    EXPECT_EQ(pty->read(1), "\x55");
}

TEST_F(QtSerialPortsTest, APortInUseCannotBeOpenedAgain) {
    ASSERT_EQ(open(7), 0);
    QtSerialPorts other(loop, programDir);
    EXPECT_EQ(other.openComConfig(7, "", 115200, PARITY_NONE, 8, 1, 1024, 1024),
              SERIAL_CANNOT_OPEN);
}

TEST_F(QtSerialPortsTest, RefusedSettingsAreReported) {
    const struct {
        long baud;
        int parity, dataBits, stopBits;
        int expected;
    } cases[] = {
        {0, PARITY_NONE, 8, 1, SERIAL_INVALID_BAUD},
        {-9600, PARITY_NONE, 8, 1, SERIAL_INVALID_BAUD},
        {115200, 3, 8, 1, SERIAL_CANNOT_OPEN},
        {115200, PARITY_NONE, 9, 1, SERIAL_CANNOT_OPEN},
        {115200, PARITY_NONE, 8, 3, SERIAL_CANNOT_OPEN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ports->openComConfig(7, "", c.baud, c.parity, c.dataBits, c.stopBits, 1024, 1024),
                  c.expected)
            << c.baud << " " << c.parity << " " << c.dataBits << " " << c.stopBits;
        EXPECT_EQ(ports->getInQLen(7), SERIAL_PORT_NOT_OPEN);
    }
    EXPECT_EQ(open(7), 0);
}

TEST_F(QtSerialPortsTest, APortThatIsNotOpenRefusesEveryOperation) {
    std::uint8_t byte = 0x55;
    const std::vector<std::pair<const char*, std::function<int()>>> operations = {
        {"setComTime", [&] { return ports->setComTime(8, 1.0); }},
        {"flushInQ", [&] { return ports->flushInQ(8); }},
        {"flushOutQ", [&] { return ports->flushOutQ(8); }},
        {"setCTSMode", [&] { return ports->setCTSMode(8, 0); }},
        {"comWrt", [&] { return ports->comWrt(8, &byte, 1); }},
        {"comRd", [&] { return ports->comRd(8, &byte, 1); }},
        {"getInQLen", [&] { return ports->getInQLen(8); }},
        {"getComStat", [&] { return ports->getComStat(8); }},
    };
    for (const auto& [name, operation] : operations) {
        EXPECT_EQ(operation(), SERIAL_PORT_NOT_OPEN) << name;
    }
    EXPECT_EQ(ports->closeCom(8), 0);
    EXPECT_EQ(ports->closeCom(8), 0);
}

TEST_F(QtSerialPortsTest, AnOpenPortReportsNoErrors) {
    ASSERT_EQ(open(7), 0);
    EXPECT_EQ(ports->setComTime(7, 2.0), 0);
    EXPECT_EQ(ports->flushInQ(7), 0);
    EXPECT_EQ(ports->flushOutQ(7), 0);
    EXPECT_EQ(ports->setCTSMode(7, 0), 0);
    EXPECT_EQ(ports->getComStat(7), 0);
}

TEST_F(QtSerialPortsTest, AVanishedDeviceIsReportedAndCanBeOpenedAgainLater) {
    ASSERT_EQ(open(7), 0);
    pty->hangUp();
    int status = 0;
    ASSERT_TRUE(waitUntil(loop, [&] { return (status = ports->getComStat(7)) > 0; }));
    EXPECT_NE(status & SERIAL_STATUS_DEVICE_LOST, 0);
    loop.waitForEvents(0.05);
    EXPECT_EQ(read(7, 1), "error " + std::to_string(SERIAL_PORT_NOT_OPEN));
    // The dead device must not keep waking the event loop.
    const double end = loop.timer() + 0.2;
    int passes = 0;
    while (loop.timer() < end) {
        loop.waitForEvents(end - loop.timer());
        ++passes;
    }
    EXPECT_LE(passes, 10);

    pty = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(pty->valid());
    link(7, pty->slave());
    ASSERT_EQ(open(7), 0);
    EXPECT_EQ(ports->getComStat(7), 0);
    EXPECT_EQ(write(7, "\x55\xAA"), 2);
    EXPECT_EQ(pty->read(2), "\x55\xAA");
    pty->write("\x01");
    EXPECT_EQ(read(7, 1), "\x01");
}

TEST_F(QtSerialPortsTest, TheListingHoldsLinkedPortsWhoseDeviceIsPresent) {
    link(9, (fs::path(programDir) / "no-such-device").string());
    link(12, pty->slave());
    std::vector<int> found;
    const int n = ports->locateCom(found, 255);
    EXPECT_EQ(n, static_cast<int>(found.size()));
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
    EXPECT_NE(std::find(found.begin(), found.end(), 7), found.end());
    EXPECT_NE(std::find(found.begin(), found.end(), 12), found.end());
    EXPECT_EQ(std::find(found.begin(), found.end(), 9), found.end());

    std::vector<int> first;
    EXPECT_EQ(ports->locateCom(first, 1), 1);
    EXPECT_EQ(first, std::vector<int>{found.front()});
    EXPECT_EQ(ports->locateCom(first, 0), 0);
    EXPECT_TRUE(first.empty());
}

}  // namespace
}  // namespace qv
