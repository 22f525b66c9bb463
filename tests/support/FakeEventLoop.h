#pragma once

// A clock that only moves when a test moves it, and an event loop driven by it.
//
// FakeEventLoop keeps a list of scheduled actions (byte arrivals, operator input, anything a
// test wants to happen "later"). Nothing runs on its own: an action runs when the code under
// test lets the loop handle events and the action is due.
//
//  - processSystemEvents(): runs the actions due now (scheduled at or before the clock),
//    in time order, then in the order they were scheduled. Never moves the clock.
//  - waitForEvents(s): if an action is due now, runs the due ones and returns. Otherwise, if
//    the next action is due within s, moves the clock to its time and runs it (with any others
//    due then); else moves the clock on by s and runs nothing. So a wait that the code under
//    test would spend blocked costs the test no real time.
//  - runUserInterface(): runs the scheduled actions one time step after the other until
//    quitUserInterface is called, and returns its code. A quit requested while the loop is not
//    running stays pending and makes the next runUserInterface return at once. Running out of
//    actions with no quit requested is a test failure (the real loop would wait forever).
//
// FakeClock starts at 100 s unless told otherwise, so code that takes the clock's reading for
// an elapsed time shows up.
//
// Passes are counted, so a test can see that a wait handled events in every pass and did not
// spin.

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "platform/EventLoop.h"

namespace qv::test {

class FakeClock : public Clock {
  public:
    explicit FakeClock(double start = 100.0) : now_(start) {}

    double timer() override { return now_; }
    double now() const { return now_; }
    void set(double seconds) { now_ = seconds; }
    void advance(double seconds) { now_ += seconds; }

  private:
    double now_;
};

class FakeEventLoop : public EventLoop {
  public:
    explicit FakeEventLoop(FakeClock& clock) : clock_(clock) {}

    FakeClock& clock() { return clock_; }

    // Runs `action` when the loop handles events at or after `atSeconds` (clock time).
    void schedule(double atSeconds, std::function<void()> action);
    // Runs `action` `seconds` after the clock's current time.
    void scheduleIn(double seconds, std::function<void()> action) {
        schedule(clock_.now() + seconds, std::move(action));
    }
    int pendingActions() const { return static_cast<int>(actions_.size()); }

    void processSystemEvents() override;
    void waitForEvents(double seconds) override;
    int runUserInterface() override;
    void quitUserInterface(int code) override;

    int processCount() const { return processCount_; }
    int waitCount() const { return waitCount_; }
    // processSystemEvents plus waitForEvents calls.
    int passCount() const { return processCount_ + waitCount_; }
    bool running() const { return running_; }

  private:
    // Runs the actions due now that were scheduled before this call; returns how many ran.
    int runDueActions();

    FakeClock& clock_;
    // Keyed by (time, order of scheduling).
    std::map<std::pair<double, std::uint64_t>, std::function<void()>> actions_;
    std::uint64_t nextSequence_ = 0;
    int processCount_ = 0;
    int waitCount_ = 0;
    bool running_ = false;
    bool quitPending_ = false;
    int quitCode_ = 0;
};

}  // namespace qv::test
