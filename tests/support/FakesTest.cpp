// The fakes other tests stand on: their timing and recording rules.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/QuorvaneV10.h"
#include "support/FakeEventLoop.h"
#include "support/InMemorySerialPorts.h"
#include "support/InMemoryTcpClient.h"
#include "support/NullSystem.h"
#include "support/ScriptedPopups.h"
#include "support/TestPanel.h"

namespace qv::test {
namespace {

class FakeEventLoopTest : public ::testing::Test {
  protected:
    FakeClock clock{10.0};
    FakeEventLoop events{clock};
    std::vector<std::string> ran;
};

TEST_F(FakeEventLoopTest, ProcessRunsOnlyDueActionsInTimeThenSchedulingOrder) {
    events.schedule(10.5, [&] { ran.push_back("late"); });
    events.schedule(10.0, [&] { ran.push_back("first"); });
    events.schedule(9.0, [&] { ran.push_back("overdue"); });
    events.schedule(10.0, [&] { ran.push_back("second"); });
    events.processSystemEvents();
    EXPECT_EQ(ran, (std::vector<std::string>{"overdue", "first", "second"}));
    EXPECT_EQ(clock.now(), 10.0);
    EXPECT_EQ(events.pendingActions(), 1);
}

TEST_F(FakeEventLoopTest, WaitJumpsToTheNextActionWithinTheLimitOrElseByTheLimit) {
    events.schedule(11.0, [&] { ran.push_back("a"); });
    events.waitForEvents(0.5);
    EXPECT_TRUE(ran.empty());
    EXPECT_DOUBLE_EQ(clock.now(), 10.5);
    events.waitForEvents(3.0);
    EXPECT_EQ(ran, std::vector<std::string>{"a"});
    EXPECT_DOUBLE_EQ(clock.now(), 11.0);
    EXPECT_EQ(events.waitCount(), 2);
}

TEST_F(FakeEventLoopTest, AnActionScheduledForNowByAnActionRunsInTheNextPass) {
    events.schedule(10.0, [&] {
        ran.push_back("outer");
        events.scheduleIn(0, [&] { ran.push_back("inner"); });
    });
    events.processSystemEvents();
    EXPECT_EQ(ran, std::vector<std::string>{"outer"});
    events.processSystemEvents();
    EXPECT_EQ(ran, (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(FakeEventLoopTest, RunUntilQuitAndPendingQuitReturnsAtOnce) {
    events.quitUserInterface(3);
    events.schedule(20.0, [&] { ran.push_back("at 20"); });
    EXPECT_EQ(events.runUserInterface(), 3);
    EXPECT_TRUE(ran.empty());

    events.schedule(30.0, [&] { events.quitUserInterface(7); });
    EXPECT_EQ(events.runUserInterface(), 7);
    EXPECT_EQ(ran, std::vector<std::string>{"at 20"});
    EXPECT_DOUBLE_EQ(clock.now(), 30.0);
}

TEST_F(FakeEventLoopTest, RunWithNothingLeftAndNoQuitFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(events.runUserInterface(), "nothing left to run");
}

class InMemorySerialPortsTest : public FakeEventLoopTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(serial.openComConfig(3, "", 115200, PARITY_NONE, 8, 1, 4096, 4096), 0);
    }
    InMemorySerialPorts serial{events};
    std::uint8_t buffer[16] = {};
};

TEST_F(InMemorySerialPortsTest, ReadReturnsAtOnceWhenEnoughIsQueuedAndNeverMoreThanAsked) {
    serial.pushInput(3, {1, 2, 3, 4, 5});
    EXPECT_EQ(serial.comRd(3, buffer, 3), 3);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(serial.inputLength(3), 2);
    EXPECT_EQ(clock.now(), 10.0);
}

TEST_F(InMemorySerialPortsTest, ReadWaitsUpToThePortTimeOutAndReturnsWhatCame) {
    ASSERT_EQ(serial.setComTime(3, 2.0), 0);
    serial.deliverAt(10.5, 3, {1, 2});
    serial.deliverAt(11.0, 3, {3});
    serial.deliverAt(13.0, 3, {4, 5, 6, 7, 8});
    EXPECT_EQ(serial.comRd(3, buffer, 8), 3);
    EXPECT_DOUBLE_EQ(clock.now(), 12.0);
    EXPECT_EQ(serial.comRd(3, buffer, 8), 5);
    EXPECT_EQ(buffer[4], 8);
}

TEST_F(InMemorySerialPortsTest, LogsCallsInOrderAndFlushDropsOnlyWhatArrived) {
    serial.pushInput(3, {9, 9});
    serial.deliverAt(10.2, 3, {1});
    serial.flushInQ(3);
    serial.flushOutQ(3);
    const std::uint8_t request[] = {0x55, 0x07, 0xAA};
    EXPECT_EQ(serial.comWrt(3, request, 3), 3);
    events.waitForEvents(1.0);
    EXPECT_EQ(serial.getInQLen(3), 1);
    EXPECT_EQ(serial.log(3),
              (std::vector<std::string>{"open 115200", "flushInQ", "flushOutQ", "write 55 07 AA"}));
    EXPECT_EQ(serial.written(3), (Bytes{0x55, 0x07, 0xAA}));
}

TEST_F(InMemorySerialPortsTest, StatusWordIsReportedOnceButAnErrorCodeStays) {
    serial.setComStat(3, 0x10);
    EXPECT_EQ(serial.getComStat(3), 0x10);
    EXPECT_EQ(serial.getComStat(3), 0);
    serial.setComStat(3, SERIAL_IO_ERROR);
    EXPECT_EQ(serial.getComStat(3), SERIAL_IO_ERROR);
    EXPECT_EQ(serial.getComStat(3), SERIAL_IO_ERROR);
}

TEST_F(InMemorySerialPortsTest, ClosedOrFailedPortsRefuseIo) {
    serial.closeCom(3);
    EXPECT_EQ(serial.getInQLen(3), SERIAL_PORT_NOT_OPEN);
    EXPECT_EQ(serial.comRd(3, buffer, 1), SERIAL_PORT_NOT_OPEN);
    serial.setOpenResult(4, SERIAL_CANNOT_OPEN);
    EXPECT_EQ(serial.openComConfig(4, "", 9600, PARITY_NONE, 8, 1, 512, 512), SERIAL_CANNOT_OPEN);
    EXPECT_FALSE(serial.isOpen(4));
    EXPECT_EQ(serial.closeCom(4), 0);
}

class InMemoryTcpClientTest : public FakeEventLoopTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(tcp.connectToTCPServerEx(
                      handle, 5000, "sensor",
                      [this](unsigned h, int event, int) {
                          seen.push_back({h, event});
                          return 0;
                      },
                      5000),
                  0);
    }
    struct Seen {
        unsigned handle;
        int event;
        bool operator==(const Seen&) const = default;
    };
    InMemoryTcpClient tcp{events};
    unsigned handle = 0;
    std::vector<Seen> seen;
    std::uint8_t buffer[16] = {};
};

TEST_F(InMemoryTcpClientTest, DeliveredPiecesRaiseDataReadyAndReadsDrainAtMostCapacity) {
    tcp.deliverAt(10.5, {1, 2, 3});
    events.waitForEvents(1.0);
    EXPECT_EQ(seen, (std::vector<Seen>{{1, TCP_DATAREADY}}));
    EXPECT_EQ(tcp.clientTCPRead(handle, buffer, 2, 5000), 2);
    EXPECT_EQ(tcp.clientTCPRead(handle, buffer, 16, 5000), 1);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(tcp.clientTCPRead(handle + 1, buffer, 16, 5000), TCP_INVALID_PARAMETER);
    tcp.failNextRead(TCP_READ_FAILED);
    EXPECT_EQ(tcp.clientTCPRead(handle, buffer, 16, 5000), TCP_READ_FAILED);
}

TEST_F(InMemoryTcpClientTest, DisconnectRaisesItsEventAndEndsTheConversation) {
    tcp.disconnectAt(11.0);
    tcp.deliverAt(12.0, {1});
    events.waitForEvents(5.0);
    events.waitForEvents(5.0);
    EXPECT_EQ(seen, (std::vector<Seen>{{1, TCP_DISCONNECT}}));
    EXPECT_FALSE(tcp.connected());
    const std::uint8_t byte = 0x55;
    EXPECT_EQ(tcp.clientTCPWrite(handle, &byte, 1, 2000), TCP_NO_CONNECTION_ESTABLISHED);
}

TEST(ScriptedPopupsTest, AnswersFromTheScriptThenDefaultsAndRecordsEveryCall) {
    ScriptedPopups popups;
    popups.answerTwoButton(2);
    popups.answerFile(FILE_SELECT_NEW, "dir/new.ini");
    EXPECT_EQ(popups.twoButtonPopup("Info!", "Close?", "Yes", "No"), 2);
    std::string path = "old";
    FileSelectRequest request;
    request.defaultFileName = "Parameter.ini";
    EXPECT_EQ(popups.fileSelectPopup(request, path), FILE_SELECT_NEW);
    EXPECT_EQ(path, "dir/new.ini");
    EXPECT_EQ(popups.twoButtonPopup("Info!", "Again?", "Yes", "No"), 1);
    EXPECT_EQ(popups.confirmPopup("Info!", "Sure?"), 1);
    EXPECT_EQ(popups.fileSelectPopup(request, path), FILE_SELECT_CANCELLED);
    EXPECT_EQ(path, "dir/new.ini");
    popups.messagePopup("Message!", "Done");
    ASSERT_EQ(popups.calls().size(), 6u);
    EXPECT_EQ(popups.calls()[0].button2, "No");
    EXPECT_EQ(popups.calls()[1].request.defaultFileName, "Parameter.ini");
    EXPECT_EQ(popups.calls()[5].kind, ScriptedPopups::Kind::Message);
    EXPECT_EQ(popups.calls()[5].text, "Done");
}

TEST(ScriptedPopupsTest, AnAnswerForAnotherKindOfQuestionFailsTheTest) {
    ScriptedPopups popups;
    popups.answerConfirm(0);
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = popups.twoButtonPopup("t", "x", "a", "b"), "confirm");
    EXPECT_EQ(answer, 1);
}

TEST(NullSystemTest, KnowsOnlyTheFilesAdded) {
    NullSystem system;
    system.setProjectDir("bin");
    system.addFile("bin/PanelSettings.cfg");
    EXPECT_EQ(system.projectDir(), "bin");
    EXPECT_TRUE(system.fileExists("bin/PanelSettings.cfg"));
    EXPECT_FALSE(system.fileExists("bin/Parameter.ini"));
}

TEST_F(PanelTest, ContextHasThePanelAndBothPagesOnTheFakes) {
    EXPECT_NE(ctx.app.connectionPage, ctx.app.parameterPage);
    EXPECT_EQ(panel.ui.control(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS)->kind,
              ControlKind::TextBox);
    EXPECT_EQ(panel.ui.control(ctx.app.parameterPage, PARAP_NUMKNOB_ON_TIME)->kind,
              ControlKind::Numeric);
    EXPECT_EQ(&ctx.events, &panel.events);
    EXPECT_EQ(ctx.clock.timer(), panel.clock.now());
}

}  // namespace
}  // namespace qv::test
