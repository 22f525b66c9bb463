#include <gtest/gtest.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/qt/io/QtEventLoop.h"

namespace qv {
namespace {

// Far longer than any of these waits should take; only there to prove that a wait returned.
constexpr double kLongWait = 60.0;
constexpr double kReturnedWithin = 30.0;

TEST(QtEventLoopWait, ReturnsAtOnceForAnEventPostedBeforehand) {
    QtEventLoop loop;
    QObject target;
    bool ran = false;
    QMetaObject::invokeMethod(
        &target, [&] { ran = true; }, Qt::QueuedConnection);
    const double start = loop.timer();
    loop.waitForEvents(kLongWait);
    EXPECT_TRUE(ran);
    EXPECT_LT(loop.timer() - start, kReturnedWithin);
}

TEST(QtEventLoopWait, ReturnsWhenATimerFiresDuringTheWait) {
    QtEventLoop loop;
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    const double start = loop.timer();
    while (!fired && loop.timer() - start < kReturnedWithin) {
        loop.waitForEvents(kLongWait);
    }
    EXPECT_TRUE(fired);
    EXPECT_LT(loop.timer() - start, kReturnedWithin);
}

TEST(QtEventLoopWait, ReturnsWhenADescriptorBecomesReadable) {
    QtEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    bool readable = false;
    {
        QSocketNotifier notifier(fds[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            readable = true;
            notifier.setEnabled(false);
        });
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
        const double start = loop.timer();
        while (!readable && loop.timer() - start < kReturnedWithin) {
            loop.waitForEvents(kLongWait);
        }
        EXPECT_LT(loop.timer() - start, kReturnedWithin);
    }
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_TRUE(readable);
}

TEST(QtEventLoopWait, BlocksForTheWholeTimeWhenNothingHappens) {
    QtEventLoop loop;
    // What the application posted at its start would end the wait early.
    loop.processSystemEvents();
    const double start = loop.timer();
    loop.waitForEvents(0.1);
    const double waited = loop.timer() - start;
    // A timer does not fire early, so anything clearly shorter means the wait did not block.
    EXPECT_GE(waited, 0.095);
    EXPECT_LT(waited, kReturnedWithin);
}

TEST(QtEventLoopWait, ACallerLoopingUntilADeadlineDoesNotSpin) {
    QtEventLoop loop;
    const double end = loop.timer() + 0.3;
    int passes = 0;
    while (loop.timer() < end) {
        loop.waitForEvents(end - loop.timer());
        ++passes;
    }
    // Nothing is pending, so each pass sleeps until the deadline; a spinning wait would make
    // thousands of passes.
    EXPECT_LE(passes, 10);
}

TEST(QtEventLoopWait, NonPositiveTimesOnlyHandleWhatIsPending) {
    QtEventLoop loop;
    QObject target;
    int ran = 0;
    for (double seconds : {0.0, -1.0}) {
        QMetaObject::invokeMethod(
            &target, [&] { ++ran; }, Qt::QueuedConnection);
        loop.waitForEvents(seconds);
    }
    EXPECT_EQ(ran, 2);
}

TEST(QtEventLoopProcess, HandlesPendingEvents) {
    QtEventLoop loop;
    QObject target;
    bool ran = false;
    QMetaObject::invokeMethod(
        &target, [&] { ran = true; }, Qt::QueuedConnection);
    loop.processSystemEvents();
    EXPECT_TRUE(ran);
}

TEST(QtEventLoopRun, AQuitBeforeTheRunEndsItAtOnceWithItsCode) {
    QtEventLoop loop;
    loop.quitUserInterface(7);
    EXPECT_EQ(loop.runUserInterface(), 7);
}

TEST(QtEventLoopRun, AQuitFromAnEventEndsTheRunningLoop) {
    QtEventLoop loop;
    QTimer::singleShot(0, [&] { loop.quitUserInterface(3); });
    EXPECT_EQ(loop.runUserInterface(), 3);
}

TEST(QtEventLoopRun, APendingQuitIsUsedUpByOneRun) {
    QtEventLoop loop;
    loop.quitUserInterface(7);
    ASSERT_EQ(loop.runUserInterface(), 7);
    bool reached = false;
    QTimer::singleShot(20, [&] {
        reached = true;
        loop.quitUserInterface(4);
    });
    EXPECT_EQ(loop.runUserInterface(), 4);
    EXPECT_TRUE(reached);
}

TEST(QtEventLoopRun, AQuitDuringAWaitInsideACallbackEndsTheRunAfterTheCallback) {
    QtEventLoop loop;
    bool callbackFinished = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { loop.quitUserInterface(5); });
        const double end = loop.timer() + 0.05;
        while (loop.timer() < end) {
            loop.waitForEvents(end - loop.timer());
        }
        callbackFinished = true;
    });
    EXPECT_EQ(loop.runUserInterface(), 5);
    EXPECT_TRUE(callbackFinished);
}

TEST(QtEventLoopClock, RunsForwardAcrossAWait) {
    QtEventLoop loop;
    const double before = loop.timer();
    loop.waitForEvents(0.02);
    const double after = loop.timer();
    EXPECT_GE(before, 0.0);
    EXPECT_GT(after, before);
}

}  // namespace
}  // namespace qv
