#include "support/FakeEventLoop.h"

#include <gtest/gtest.h>

namespace qv::test {

void FakeEventLoop::schedule(double atSeconds, std::function<void()> action) {
    actions_.emplace(std::make_pair(atSeconds, nextSequence_++), std::move(action));
}

int FakeEventLoop::runDueActions() {
    // Actions that a running action schedules for "now" wait for the next pass, as events
    // posted from a handler do; otherwise an action that re-schedules itself would never let
    // the pass end.
    const std::uint64_t limit = nextSequence_;
    int ran = 0;
    for (;;) {
        auto due = actions_.end();
        for (auto it = actions_.begin(); it != actions_.end() && it->first.first <= clock_.now();
             ++it) {
            if (it->first.second < limit) {
                due = it;
                break;
            }
        }
        if (due == actions_.end()) {
            return ran;
        }
        // Taken out before it runs: the action may schedule or wait itself.
        std::function<void()> action = std::move(due->second);
        actions_.erase(due);
        action();
        ++ran;
    }
}

void FakeEventLoop::processSystemEvents() {
    ++processCount_;
    runDueActions();
}

void FakeEventLoop::waitForEvents(double seconds) {
    ++waitCount_;
    if (seconds < 0) {
        seconds = 0;
    }
    if (runDueActions() > 0) {
        return;
    }
    if (!actions_.empty() && actions_.begin()->first.first <= clock_.now() + seconds) {
        clock_.set(actions_.begin()->first.first);
        runDueActions();
        return;
    }
    clock_.advance(seconds);
}

int FakeEventLoop::runUserInterface() {
    running_ = true;
    while (!quitPending_) {
        if (runDueActions() > 0) {
            continue;
        }
        if (actions_.empty()) {
            ADD_FAILURE() << "FakeEventLoop: runUserInterface has nothing left to run and no quit "
                             "was requested; the real loop would wait forever";
            running_ = false;
            return -1;
        }
        if (actions_.begin()->first.first > clock_.now()) {
            clock_.set(actions_.begin()->first.first);
        }
    }
    running_ = false;
    quitPending_ = false;
    return quitCode_;
}

void FakeEventLoop::quitUserInterface(int code) {
    quitPending_ = true;
    quitCode_ = code;
}

}  // namespace qv::test
