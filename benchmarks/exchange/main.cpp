// Measures, against the simulated sensor on this machine:
//  - the median time of one ReadRam exchange (8-byte request, 16-byte reply) through the
//    panel's DataExchange over loopback TCP, next to a plain blocking-socket client doing the
//    same request;
//  - the same over a pseudo-terminal, next to plain blocking read/write on the terminal;
//  - the CPU time the process spends while DataExchange waits 3.0 s for a silent sensor.
//
// Usage: quorvane-bench-exchange [ROUNDS]   (default 2000 exchanges per figure)
// Build it without sanitizers (CMAKE_BUILD_TYPE=Release) for figures that mean something.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Context.h"
#include "launcher/SimulatedSensor.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "platform/PanelModel.h"
#include "platform/Popups.h"
#include "platform/qt/io/QtEventLoop.h"
#include "platform/qt/io/QtSerialPorts.h"
#include "platform/qt/io/QtSystem.h"
#include "platform/qt/io/QtTcpClient.h"
#include "protocol/DataExchange.h"
#include "protocol/Frame.h"

namespace {

using Clock = std::chrono::steady_clock;
using qvsim::SimulatedSensor;

constexpr std::uint8_t kReadRam[8] = {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xB9};
constexpr int kReplySize = 16;
constexpr int kWarmUp = 50;
constexpr int kSerialPortNumber = 7;

// No window, no questions: the benchmark never shows a pop-up.
class NoPopups : public qv::Popups {
  public:
    void messagePopup(const std::string&, const std::string&) override {}
    int confirmPopup(const std::string&, const std::string&) override { return 0; }
    int twoButtonPopup(const std::string&, const std::string&, const std::string&,
                       const std::string&) override {
        return 1;
    }
    int fileSelectPopup(const qv::FileSelectRequest&, std::string&) override { return 0; }
    void setWaitCursor(bool) override {}
};

struct Figures {
    double median = 0;
    double p90 = 0;
    int failures = 0;
};

// Times `rounds` calls of `once` (true: it worked) after a warm-up, in microseconds.
Figures measure(int rounds, const std::function<bool()>& once) {
    Figures f;
    for (int i = 0; i < kWarmUp; ++i) {
        once();
    }
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        if (!once()) {
            ++f.failures;
        }
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    f.median = us[us.size() / 2];
    f.p90 = us[us.size() * 9 / 10];
    return f;
}

bool writeAll(int fd, const std::uint8_t* data, int count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(count));
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<int>(n);
    }
    return true;
}

bool readAll(int fd, std::uint8_t* data, int count) {
    while (count > 0) {
        const ssize_t n = ::read(fd, data, static_cast<std::size_t>(count));
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<int>(n);
    }
    return true;
}

bool plainRequest(int fd) {
    std::uint8_t reply[kReplySize];
    return writeAll(fd, kReadRam, sizeof kReadRam) && readAll(fd, reply, kReplySize) &&
           reply[0] == 0x55 && reply[1] == 0x02;
}

int plainTcpClient(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int plainTerminal(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int fail(const std::string& why) {
    std::fprintf(stderr, "quorvane-bench-exchange: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    QTemporaryDir programDir;
    if (!programDir.isValid()) {
        return fail("no temporary directory");
    }
    qv::QtEventLoop events;
    qv::QtSystem system;
    qv::QtSerialPorts serial(events, programDir.path().toStdString());
    qv::QtTcpClient tcp(events);
    qv::PanelModel ui;
    NoPopups popups;
    qv::Context ctx(qv::Platform{ui, popups, events, events, serial, tcp, system});
    ctx.app.language = qv::LANGUAGE_ENGLISH;
    const std::string panelFile = system.projectDir() + "/QuorvaneV10.uir";
    ctx.app.mainPanel = ui.loadPanel(0, panelFile, qv::MAINP);
    if (ctx.app.mainPanel < 0) {
        return fail("cannot load " + panelFile);
    }
    ctx.app.connectionPage =
        ui.tabPagePanel(ctx.app.mainPanel, qv::MAINP_TABMAIN1, qv::CONNECTION_PAGE_INDEX);
    ctx.app.parameterPage =
        ui.tabPagePanel(ctx.app.mainPanel, qv::MAINP_TABMAIN1, qv::PARAMETER_PAGE_INDEX);

    const auto exchange = [&ctx] {
        qv::FillTxBuf(ctx, qv::ReadRam, 0, 0);
        return qv::DataExchange(ctx, 8) == 1;
    };

    // TCP: the panel, then a plain client (the simulator serves one client at a time).
    SimulatedSensor tcpSensor({"--tcp", "0"});
    if (!tcpSensor.started()) {
        return fail(tcpSensor.failure());
    }
    ctx.linkSettings.protocol = qv::LINK_TCPIP;
    ctx.linkSettings.serverName = "127.0.0.1";
    ctx.linkSettings.tcpPort = tcpSensor.tcpPort();
    qv::InitTCP_IP(ctx);
    if (ctx.link.LinkOpenResult < 0) {
        return fail("cannot connect to the simulator over TCP");
    }
    const Figures panelTcp = measure(rounds, exchange);
    tcp.disconnectFromTCPServer(ctx.link.tcpHandle);
    ctx.link.tcpConnected = 0;
    const int tcpFd = plainTcpClient(tcpSensor.tcpPort());
    if (tcpFd < 0) {
        return fail("plain client cannot connect");
    }
    const Figures plainTcp = measure(rounds, [tcpFd] { return plainRequest(tcpFd); });
    ::close(tcpFd);

    // Pseudo-terminal: the panel through port number 7, then plain blocking I/O.
    const QString ptyLink = programDir.filePath("sensor-pty");
    SimulatedSensor ptySensor({"--pty", ptyLink});
    if (!ptySensor.started()) {
        return fail(ptySensor.failure());
    }
    QDir(programDir.path()).mkpath("ports");
    QFile::link(ptyLink, programDir.filePath("ports/COM7"));
    ctx.linkSettings.protocol = qv::LINK_RS232;
    ctx.linkSettings.comPort = kSerialPortNumber;
    qv::InitRS232(ctx);
    if (ctx.link.LinkOpenResult < 0) {
        return fail("cannot open the simulator's pseudo-terminal");
    }
    const Figures panelPty = measure(rounds, exchange);
    serial.closeCom(kSerialPortNumber);
    const int ptyFd = plainTerminal(ptySensor.ptyPath());
    if (ptyFd < 0) {
        return fail("plain client cannot open the pseudo-terminal");
    }
    const Figures plainPty = measure(rounds, [ptyFd] { return plainRequest(ptyFd); });
    ::close(ptyFd);

    // Waiting on a sensor that never answers.
    SimulatedSensor silentSensor({"--tcp", "0", "--silent"});
    if (!silentSensor.started()) {
        return fail(silentSensor.failure());
    }
    ctx.linkSettings.protocol = qv::LINK_TCPIP;
    ctx.linkSettings.tcpPort = silentSensor.tcpPort();
    qv::InitTCP_IP(ctx);
    if (ctx.link.LinkOpenResult < 0) {
        return fail("cannot connect to the silent simulator");
    }
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    const bool answered = exchange();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;

    std::printf("ReadRam round trip against the simulated sensor, %d rounds each\n", rounds);
    std::printf("%-34s %10s %10s %9s\n", "", "median us", "p90 us", "failures");
    const auto row = [](const char* name, const Figures& f) {
        std::printf("%-34s %10.1f %10.1f %9d\n", name, f.median, f.p90, f.failures);
    };
    row("TCP, panel DataExchange", panelTcp);
    row("TCP, plain blocking socket", plainTcp);
    row("pseudo-terminal, panel DataExchange", panelPty);
    row("pseudo-terminal, plain blocking I/O", plainPty);
    std::printf("TCP ratio panel/plain: %.2f (target <= 2.00)\n",
                panelTcp.median / plainTcp.median);
    std::printf("pseudo-terminal ratio panel/plain: %.2f\n", panelPty.median / plainPty.median);
    std::printf(
        "Silent sensor: waited %.3f s (%s), CPU %.4f s = %.3f %% of one core (target < 2 %%)\n",
        wall, answered ? "answered?!" : "time-out reported", cpu, 100.0 * cpu / wall);
    return 0;
}
