// The simulated sensor: serves request frames on TCP and/or a pseudo-terminal from one poll loop,
// so a slow (delayed or split) reply on one link never holds up the other.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "SimDevice.h"
#include "SimOptions.h"

namespace qvsim {
namespace {

using Clock = std::chrono::steady_clock;

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Nothing useful can be done if the pipe is full: a wake-up is already pending then.
    [[maybe_unused]] const ssize_t ignored = write(gSignalPipe[1], &byte, 1);
}

void logLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

speed_t termiosSpeed(int rate) {
    switch (rate) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B115200;
    }
}

// Junk for the garbage and extra faults; it never holds 0x55, so it cannot pass for a start byte.
Bytes junk(int count) {
    static constexpr std::uint8_t kPattern[] = {0xDE, 0xAD, 0xBE, 0xEF};
    Bytes out(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = kPattern[i % 4];
    }
    return out;
}

struct Chunk {
    Clock::time_point due;
    Bytes bytes;
    std::size_t sent = 0;
    std::optional<int> switchBaudIndex;  // applied once the chunk is fully written
    bool hangUpAfter = false;
};

struct Channel {
    int fd = -1;
    FrameParser parser;
    std::deque<Chunk> out;
    int answered = 0;      // replies counted towards --drop-after on this connection
    bool closing = false;  // the last reply before a drop is queued; further requests are ignored
    // Set once the last reply before a pty hang-up is out: the client gets until then to read it.
    std::optional<Clock::time_point> hangUpBy;
    Clock::time_point hangUpFrom;  // bytes written to the master reach the device a little later
    bool replySeenUnread = false;

    bool open() const { return fd >= 0; }
    void reset() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
        parser.clear();
        out.clear();
        answered = 0;
        closing = false;
        hangUpBy.reset();
        replySeenUnread = false;
    }
};

class Simulator {
  public:
    explicit Simulator(const Options& options) : options_(options), device_(options) {}
    ~Simulator() { shutdown(); }

    bool start(std::string& error);
    int run();

  private:
    bool openTcp(std::string& error);
    bool openPty(std::string& error);
    bool linkPty(std::string& error);
    void shutdown();
    void acceptClient();
    void readFrom(Channel& channel);
    void answer(Channel& channel, const FrameParser::Received& received);
    void flush(Channel& channel);
    void hangUp(Channel& channel);
    void switchPtyRate(int index);
    void logRequest(const Bytes& bytes);

    const Options& options_;
    SimDevice device_;
    FILE* logFile_ = nullptr;
    int listenFd_ = -1;
    int boundPort_ = 0;
    Channel tcp_;
    Channel pty_;
    int ptySlaveFd_ = -1;  // held open so the master never sees a hang-up between clients
    std::string ptySlaveName_;
};

bool Simulator::start(std::string& error) {
    if (!options_.logPath.empty()) {
        logFile_ = std::fopen(options_.logPath.c_str(), "a");
        if (logFile_ == nullptr) {
            error = errnoText("cannot open log file " + options_.logPath);
            return false;
        }
    }
    if (options_.useTcp && !openTcp(error)) {
        return false;
    }
    if (!options_.ptyPath.empty() && (!openPty(error) || !linkPty(error))) {
        return false;
    }
    std::string line = "listening";
    if (options_.useTcp) {
        line += " tcp=" + std::to_string(boundPort_);
    }
    if (!options_.ptyPath.empty()) {
        line += " pty=" + options_.ptyPath;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return true;
}

bool Simulator::openTcp(std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(options_.tcpPort);
    if (const int rc = getaddrinfo(options_.bindAddress.c_str(), port.c_str(), &hints, &found);
        rc != 0) {
        error = "cannot resolve bind address " + options_.bindAddress + ": " + gai_strerror(rc);
        return false;
    }
    listenFd_ = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    const int on = 1;
    const bool ok = listenFd_ >= 0 &&
                    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0 &&
                    listen(listenFd_, 4) == 0 && setNonBlocking(listenFd_);
    freeaddrinfo(found);
    if (!ok) {
        error = errnoText("cannot listen on " + options_.bindAddress + " port " + port);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &size);
    boundPort_ =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return true;
}

bool Simulator::openPty(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = errnoText("cannot open a pseudo-terminal");
        if (master >= 0) {
            close(master);
        }
        return false;
    }
    const char* slaveName = ptsname(master);
    const int slave = slaveName ? ::open(slaveName, O_RDWR | O_NOCTTY) : -1;
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        error = errnoText("cannot open the pseudo-terminal's device");
        close(master);
        if (slave >= 0) {
            close(slave);
        }
        return false;
    }
    // Raw, or the line discipline would echo replies back to us and mangle CR/LF and 0x03.
    cfmakeraw(&tio);
    const speed_t speed = termiosSpeed(baudRateForIndex(device_.baudIndex()));
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tcsetattr(slave, TCSANOW, &tio);
    setNonBlocking(master);
    pty_.fd = master;
    ptySlaveFd_ = slave;
    ptySlaveName_ = slaveName;
    return true;
}

bool Simulator::linkPty(std::string& error) {
    const std::string& path = options_.ptyPath;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        error = "refusing to replace " + path + ": it exists and is not a symbolic link";
        return false;
    }
    // Link under a temporary name and rename over the old link, so PATH never goes missing.
    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(ptySlaveName_.c_str(), temp.c_str()) != 0 ||
        rename(temp.c_str(), path.c_str()) != 0) {
        error = errnoText("cannot link " + path + " to " + ptySlaveName_);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

void Simulator::shutdown() {
    tcp_.reset();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
    if (pty_.open()) {
        // Leave a link alone that someone else has since pointed elsewhere.
        char target[512];
        const ssize_t n = readlink(options_.ptyPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == ptySlaveName_) {
            unlink(options_.ptyPath.c_str());
        }
        pty_.reset();
        close(ptySlaveFd_);
        ptySlaveFd_ = -1;
    }
    if (logFile_ != nullptr) {
        std::fclose(logFile_);
        logFile_ = nullptr;
    }
}

void Simulator::acceptClient() {
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) {
        return;
    }
    // Pieces of a split reply must reach the wire as separate segments.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setNonBlocking(fd);
    tcp_.fd = fd;
    logLine("tcp client connected");
}

void Simulator::logRequest(const Bytes& bytes) {
    const std::string line = "rx " + toHex(bytes);
    logLine(line);
    if (logFile_ != nullptr) {
        std::fprintf(logFile_, "%s\n", line.c_str());
        std::fflush(logFile_);
    }
}

void Simulator::readFrom(Channel& channel) {
    std::uint8_t buffer[4096];
    const ssize_t n = read(channel.fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (n <= 0) {
        if (&channel == &tcp_) {
            logLine("tcp client left");
            tcp_.reset();
        }
        return;
    }
    channel.parser.feed(buffer, static_cast<std::size_t>(n));
    while (auto received = channel.parser.next()) {
        logRequest(received->bytes);
        answer(channel, *received);
    }
}

void Simulator::answer(Channel& channel, const FrameParser::Received& received) {
    if (channel.closing) {
        return;
    }
    const Faults& faults = options_.faults;
    const bool faulted = faults.appliesTo(received.bytes[1]);
    if (faulted && faults.silent) {
        logLine("silent: no reply");
        return;
    }
    Reply reply;
    if (faulted && faults.errorReply != 0) {
        reply = SimDevice::errorReply(static_cast<std::uint16_t>(faults.errorReply));
    } else if (!received.valid) {
        reply = SimDevice::errorReply(2);
    } else {
        reply = device_.execute(received.bytes);
    }

    if (faulted && faults.overlong) {
        reply.data.resize(3000, 0);
    }
    Bytes frame = encodeFrame(reply.order, reply.parameter, reply.data);
    if (faulted && faults.badDataCrc) {
        frame[6] ^= 0xFF;
        frame[7] = crc8(frame.data(), 7);
    }
    if (faulted && faults.badHeaderCrc) {
        frame[7] ^= 0xFF;
    }
    Bytes wire;
    if (faulted && faults.garbage > 0) {
        wire = junk(faults.garbage);
    }
    wire.insert(wire.end(), frame.begin(), frame.end());
    if (faulted && faults.extra > 0) {
        const Bytes tail = junk(faults.extra);
        wire.insert(wire.end(), tail.begin(), tail.end());
    }

    const auto base = Clock::now() + std::chrono::milliseconds(faulted ? faults.delayMs : 0);
    const std::size_t piece = faulted && faults.splitBytes > 0
                                  ? static_cast<std::size_t>(faults.splitBytes)
                                  : wire.size();
    for (std::size_t offset = 0, k = 0; offset < wire.size(); offset += piece, ++k) {
        const std::size_t end = std::min(wire.size(), offset + piece);
        Chunk chunk;
        chunk.due = base + k * std::chrono::milliseconds(faults.splitGapMs);
        chunk.bytes.assign(wire.begin() + static_cast<std::ptrdiff_t>(offset),
                           wire.begin() + static_cast<std::ptrdiff_t>(end));
        channel.out.push_back(std::move(chunk));
    }
    Chunk& last = channel.out.back();
    last.switchBaudIndex = reply.newBaudIndex;
    if (faulted && faults.dropAfter > 0 && ++channel.answered >= faults.dropAfter) {
        last.hangUpAfter = true;
        channel.closing = true;
    }
}

void Simulator::flush(Channel& channel) {
    const auto now = Clock::now();
    while (channel.open() && !channel.out.empty() && channel.out.front().due <= now) {
        Chunk& chunk = channel.out.front();
        const ssize_t n =
            write(channel.fd, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent);
        if (n < 0) {
            if (errno != EAGAIN && errno != EINTR && &channel == &tcp_) {
                logLine(errnoText("tcp write failed"));
                tcp_.reset();
            }
            return;
        }
        chunk.sent += static_cast<std::size_t>(n);
        if (chunk.sent < chunk.bytes.size()) {
            continue;
        }
        if (chunk.switchBaudIndex) {
            switchPtyRate(*chunk.switchBaudIndex);
        }
        const bool hangUpAfter = chunk.hangUpAfter;
        channel.out.pop_front();
        if (hangUpAfter) {
            if (&channel == &tcp_) {
                hangUp(channel);
            } else {
                channel.hangUpFrom = Clock::now();
                channel.hangUpBy = channel.hangUpFrom + std::chrono::seconds(2);
            }
            return;
        }
    }
}

void Simulator::switchPtyRate(int index) {
    const int rate = baudRateForIndex(index);
    logLine("baud index " + std::to_string(index) + " -> " + std::to_string(rate) + " bit/s");
    if (ptySlaveFd_ < 0) {
        return;
    }
    termios tio{};
    if (tcgetattr(ptySlaveFd_, &tio) == 0) {
        cfsetispeed(&tio, termiosSpeed(rate));
        cfsetospeed(&tio, termiosSpeed(rate));
        tcsetattr(ptySlaveFd_, TCSANOW, &tio);
    }
}

void Simulator::hangUp(Channel& channel) {
    if (&channel == &tcp_) {
        // Unread input would turn the close into a reset, which can destroy the last reply
        // before the client has read it.
        std::uint8_t discard[4096];
        while (read(tcp_.fd, discard, sizeof discard) > 0) {
        }
        ::shutdown(tcp_.fd, SHUT_WR);
        logLine("dropping tcp client");
        tcp_.reset();
        return;
    }
    // Closing the master hangs up whoever holds the old device. The fresh one is linked at PATH
    // first, so a client that reopens as soon as it sees the hang-up finds the new device.
    logLine("hanging up pty");
    const int oldMaster = pty_.fd;
    const int oldSlave = ptySlaveFd_;
    pty_.fd = -1;
    pty_.reset();
    ptySlaveFd_ = -1;
    std::string error;
    if (!openPty(error) || !linkPty(error)) {
        logLine(error);
    }
    close(oldMaster);
    close(oldSlave);
}

int Simulator::run() {
    while (true) {
        std::vector<pollfd> fds{{gSignalPipe[0], POLLIN, 0}};
        int timeoutMs = -1;
        const auto now = Clock::now();
        auto watch = [&](Channel& channel) {
            if (!channel.open()) {
                return;
            }
            short events = POLLIN;
            if (!channel.out.empty()) {
                const auto due = channel.out.front().due;
                if (due <= now) {
                    events |= POLLOUT;
                } else {
                    const auto wait =
                        std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
                    const int waitMs = static_cast<int>(wait);
                    timeoutMs = timeoutMs < 0 ? waitMs : std::min(timeoutMs, waitMs);
                }
            }
            fds.push_back({channel.fd, events, 0});
        };
        watch(tcp_);
        watch(pty_);
        if (pty_.hangUpBy) {
            // Closing the master discards what the client has not read yet, so wait until the
            // reply has reached the device and been read, or the client gives no sign of life.
            int unread = 0;
            const bool queried = ioctl(ptySlaveFd_, FIONREAD, &unread) == 0;
            pty_.replySeenUnread = pty_.replySeenUnread || unread > 0;
            const bool drained =
                unread == 0 &&
                (pty_.replySeenUnread || now >= pty_.hangUpFrom + std::chrono::milliseconds(200));
            if (!queried || drained || now >= *pty_.hangUpBy) {
                hangUp(pty_);
                continue;
            }
            timeoutMs = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
        }
        // One client at a time: later ones wait in the backlog until this one leaves.
        if (listenFd_ >= 0 && !tcp_.open()) {
            fds.push_back({listenFd_, POLLIN, 0});
        }

        if (poll(fds.data(), fds.size(), timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            logLine(errnoText("poll failed"));
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            logLine("stopping");
            return 0;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            const pollfd& p = fds[i];
            if (p.revents == 0) {
                continue;
            }
            if (p.fd == listenFd_) {
                acceptClient();
            } else {
                // A channel dropped earlier in this pass no longer owns its old descriptor.
                Channel* channel = p.fd == tcp_.fd ? &tcp_ : p.fd == pty_.fd ? &pty_ : nullptr;
                if (channel != nullptr && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
                    readFrom(*channel);
                }
            }
        }
        flush(tcp_);
        flush(pty_);
    }
}

}  // namespace
}  // namespace qvsim

int main(int argc, char** argv) {
    std::string error;
    const auto options = qvsim::parseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "quorvane-sensor-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(qvsim::usageText().c_str(), stdout);
        return 0;
    }

    if (pipe(qvsim::gSignalPipe) != 0) {
        std::perror("quorvane-sensor-sim: pipe");
        return 1;
    }
    qvsim::setNonBlocking(qvsim::gSignalPipe[1]);
    struct sigaction action {};
    action.sa_handler = qvsim::onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    qvsim::Simulator simulator(*options);
    if (!simulator.start(error)) {
        std::fprintf(stderr, "quorvane-sensor-sim: %s\n", error.c_str());
        return 1;
    }
    return simulator.run();
}
