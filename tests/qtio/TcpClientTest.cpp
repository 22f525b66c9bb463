#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "WaitUntil.h"
#include "platform/qt/io/QtEventLoop.h"
#include "platform/qt/io/QtTcpClient.h"

namespace qv {
namespace {

using test::waitUntil;

constexpr int kConnectMs = 5000;

class QtTcpClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        port = server.serverPort();
    }

    // A handler that records every notice and, on data, reads at most `capacity` bytes.
    TcpCallback recorder(int capacity) {
        return [this, capacity](unsigned handle, int event, int error) {
            events.push_back(event);
            errors.push_back(error);
            if (event == TCP_DATAREADY) {
                std::vector<std::uint8_t> buffer(static_cast<std::size_t>(capacity));
                const int n = client.clientTCPRead(handle, buffer.data(), capacity, 5000);
                if (n > 0) {
                    received.append(buffer.begin(), buffer.begin() + n);
                }
            }
            return 0;
        };
    }

    unsigned connect(TcpCallback callback) {
        unsigned handle = 0;
        EXPECT_GE(
            client.connectToTCPServerEx(handle, port, "127.0.0.1", std::move(callback), kConnectMs),
            0);
        return handle;
    }

    QTcpSocket* accept() {
        if (!waitUntil(loop, [&] { return server.hasPendingConnections(); })) {
            return nullptr;
        }
        return server.nextPendingConnection();
    }

    int count(int event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    QtEventLoop loop;
    QtTcpClient client{loop};
    QTcpServer server;
    int port = 0;
    std::vector<int> events;
    std::vector<int> errors;
    std::string received;
};

TEST_F(QtTcpClientTest, EachConversationGetsItsOwnNonZeroHandle) {
    const unsigned first = connect(recorder(64));
    const unsigned second = connect(recorder(64));
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_NE(accept(), nullptr);
    EXPECT_NE(accept(), nullptr);
}

TEST_F(QtTcpClientTest, BytesArrivingInPiecesReachTheHandler) {
    const unsigned handle = connect(recorder(2048));
    QTcpSocket* peer = accept();
    ASSERT_NE(peer, nullptr);

    peer->write(QByteArray("\x55\x01", 2));
    ASSERT_TRUE(waitUntil(loop, [&] { return received.size() >= 2; }));
    peer->write(
        QByteArray("\x00\x08"
                   "ABCDEF",
                   8));
    ASSERT_TRUE(waitUntil(loop, [&] { return received.size() >= 10; }));

    EXPECT_EQ(received, std::string("\x55\x01\x00\x08"
                                    "ABCDEF",
                                    10));
    EXPECT_GE(count(TCP_DATAREADY), 2);
    EXPECT_EQ(count(TCP_DISCONNECT), 0);
    for (int error : errors) {
        EXPECT_EQ(error, 0);
    }
    EXPECT_EQ(client.disconnectFromTCPServer(handle), 0);
}

TEST_F(QtTcpClientTest, WrittenBytesReachTheServerUnchanged) {
    const unsigned handle = connect(recorder(64));
    QTcpSocket* peer = accept();
    ASSERT_NE(peer, nullptr);

    const std::uint8_t request[] = {0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0xAB, 0xCD};
    EXPECT_EQ(client.clientTCPWrite(handle, request, 8, 2000), 8);
    ASSERT_TRUE(waitUntil(loop, [&] { return peer->bytesAvailable() >= 8; }));
    EXPECT_EQ(peer->readAll(), QByteArray("\x55\x10\x00\x00\x00\x00\xAB\xCD", 8));
}

// However little the handler takes per notice, all bytes come before the disconnect notice.
class ServerClose : public QtTcpClientTest, public ::testing::WithParamInterface<int> {};

TEST_P(ServerClose, DeliversTheLastBytesThenOneDisconnectNotice) {
    const unsigned handle = connect(recorder(GetParam()));
    QTcpSocket* peer = accept();
    ASSERT_NE(peer, nullptr);

    peer->write("HELLO");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitUntil(loop, [&] { return count(TCP_DISCONNECT) > 0; }));
    loop.waitForEvents(0.1);

    EXPECT_EQ(received, "HELLO");
    EXPECT_EQ(count(TCP_DISCONNECT), 1);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), TCP_DISCONNECT);
    EXPECT_EQ(count(TCP_DATAREADY), static_cast<int>(events.size()) - 1);

    const std::uint8_t byte = 0x55;
    std::uint8_t buffer[4];
    EXPECT_EQ(client.clientTCPWrite(handle, &byte, 1, 2000), TCP_CONNECTION_CLOSED);
    EXPECT_EQ(client.clientTCPRead(handle, buffer, 4, 100), TCP_CONNECTION_CLOSED);
}

INSTANTIATE_TEST_SUITE_P(HandlerCapacity, ServerClose, ::testing::Values(1, 2, 2048));

TEST_F(QtTcpClientTest, ConnectingWhereNothingListensFailsWithinTheLimit) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const int deadPort = closed.serverPort();
    closed.close();

    bool called = false;
    unsigned handle = 0;
    const double start = loop.timer();
    const int result = client.connectToTCPServerEx(
        handle, deadPort, "127.0.0.1", [&](unsigned, int, int) { return called = true, 0; }, 3000);
    EXPECT_EQ(result, TCP_UNABLE_TO_ESTABLISH_CONNECTION);
    EXPECT_LT(loop.timer() - start, 3.0 + 2.0);
    loop.waitForEvents(0.05);
    EXPECT_FALSE(called);
}

// A listening socket whose backlog is full: the kernel drops further connection requests, so a
// connect to it neither succeeds nor fails until its time limit.
class FullBacklog {
  public:
    FullBacklog() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(fd_, 0) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        // Fill the backlog with connections nobody accepts.
        for (int i = 0; i < 4; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers_.push_back(filler);
        }
    }
    ~FullBacklog() {
        for (int filler : fillers_) {
            ::close(filler);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

TEST_F(QtTcpClientTest, AConnectWithoutAnswerTimesOutWhileEventsGoOn) {
    FullBacklog silent;
    ASSERT_GT(silent.port(), 0);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    unsigned handle = 0;
    const double start = loop.timer();
    const int result =
        client.connectToTCPServerEx(handle, silent.port(), "127.0.0.1", recorder(64), 400);
    const double took = loop.timer() - start;

    EXPECT_EQ(result, TCP_TIMEOUT);
    EXPECT_GE(took, 0.39);
    // The window's timers, input and painting went on while the connect waited.
    EXPECT_GE(ticks, 5);
}

TEST_F(QtTcpClientTest, AnUnknownHostFails) {
    unsigned handle = 0;
    const int result =
        client.connectToTCPServerEx(handle, port, "no-such-host.invalid", recorder(64), 3000);
    EXPECT_LT(result, 0);
}

TEST_F(QtTcpClientTest, InvalidConnectArgumentsAreRefused) {
    const struct {
        int port;
        std::string host;
        int timeoutMs;
    } cases[] = {
        {0, "127.0.0.1", 1000}, {-1, "127.0.0.1", 1000}, {65536, "127.0.0.1", 1000},
        {port, "", 1000},       {port, "127.0.0.1", -1},
    };
    for (const auto& c : cases) {
        unsigned handle = 0;
        EXPECT_EQ(client.connectToTCPServerEx(handle, c.port, c.host, recorder(64), c.timeoutMs),
                  TCP_INVALID_PARAMETER)
            << c.port << " '" << c.host << "' " << c.timeoutMs;
    }
}

TEST_F(QtTcpClientTest, AReadWithNothingToReadTimesOut) {
    const unsigned handle = connect(recorder(64));
    ASSERT_NE(accept(), nullptr);
    std::uint8_t buffer[8];
    EXPECT_EQ(client.clientTCPRead(handle, buffer, 8, 50), TCP_TIMEOUT);
}

TEST_F(QtTcpClientTest, AfterDisconnectTheHandleFailsCleanlyAndNoNoticeComes) {
    const unsigned handle = connect(recorder(64));
    QTcpSocket* peer = accept();
    ASSERT_NE(peer, nullptr);

    EXPECT_EQ(client.disconnectFromTCPServer(handle), 0);
    ASSERT_TRUE(
        waitUntil(loop, [&] { return peer->state() == QAbstractSocket::UnconnectedState; }));
    loop.waitForEvents(0.05);
    EXPECT_TRUE(events.empty());

    const std::uint8_t byte = 0x55;
    std::uint8_t buffer[4];
    EXPECT_EQ(client.clientTCPWrite(handle, &byte, 1, 2000), TCP_CONNECTION_CLOSED);
    EXPECT_EQ(client.clientTCPRead(handle, buffer, 4, 100), TCP_CONNECTION_CLOSED);
    EXPECT_EQ(client.disconnectFromTCPServer(handle), TCP_CONNECTION_CLOSED);
}

TEST_F(QtTcpClientTest, HandlesNeverGivenOutAreInvalid) {
    const std::uint8_t byte = 0x55;
    std::uint8_t buffer[4];
    for (unsigned handle : {0u, 12345u}) {
        EXPECT_EQ(client.clientTCPWrite(handle, &byte, 1, 100), TCP_INVALID_PARAMETER);
        EXPECT_EQ(client.clientTCPRead(handle, buffer, 4, 100), TCP_INVALID_PARAMETER);
        EXPECT_EQ(client.disconnectFromTCPServer(handle), TCP_INVALID_PARAMETER);
    }
}

TEST_F(QtTcpClientTest, AHandlerMayEndItsConversation) {
    int notices = 0;
    unsigned handle = 0;
    ASSERT_EQ(client.connectToTCPServerEx(
                  handle, port, "127.0.0.1",
                  [&](unsigned h, int, int) {
                      ++notices;
                      EXPECT_EQ(client.disconnectFromTCPServer(h), 0);
                      return 0;
                  },
                  kConnectMs),
              0);
    QTcpSocket* peer = accept();
    ASSERT_NE(peer, nullptr);

    peer->write("A");
    ASSERT_TRUE(waitUntil(loop, [&] { return notices > 0; }));
    peer->write("B");
    waitUntil(loop, [&] { return peer->state() == QAbstractSocket::UnconnectedState; });
    loop.waitForEvents(0.05);
    EXPECT_EQ(notices, 1);
}

TEST_F(QtTcpClientTest, AHandlerMayWaitForBytesStillOnTheirWay) {
    QTcpSocket* peer = nullptr;
    std::string inHandler;
    unsigned handle = 0;
    ASSERT_EQ(client.connectToTCPServerEx(
                  handle, port, "127.0.0.1",
                  [&](unsigned h, int event, int) {
                      if (event != TCP_DATAREADY || !inHandler.empty()) {
                          return 0;
                      }
                      std::uint8_t buffer[16];
                      int n = client.clientTCPRead(h, buffer, 1, 1000);
                      if (n > 0) {
                          inHandler.append(buffer, buffer + n);
                      }
                      QTimer::singleShot(20, [&] { peer->write("B"); });
                      n = client.clientTCPRead(h, buffer, 16, 5000);
                      if (n > 0) {
                          inHandler.append(buffer, buffer + n);
                      }
                      return 0;
                  },
                  kConnectMs),
              0);
    peer = accept();
    ASSERT_NE(peer, nullptr);

    peer->write("A");
    ASSERT_TRUE(waitUntil(loop, [&] { return !inHandler.empty(); }));
    EXPECT_EQ(inHandler, "AB");
}

}  // namespace
}  // namespace qv
