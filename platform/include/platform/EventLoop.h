#pragma once

namespace qv {

// The single user-interface thread's event loop.
class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // Handles the events that are pending now; never blocks.
    virtual void processSystemEvents() = 0;

    // Blocks until at least one event has been handled or `seconds` have passed, whichever
    // comes first. Never spins: a caller that loops on this costs no CPU while nothing happens.
    virtual void waitForEvents(double seconds) = 0;

    // Runs the loop until quitUserInterface is called; returns its code. A quit requested
    // before the loop runs makes it return at once.
    virtual int runUserInterface() = 0;
    virtual void quitUserInterface(int code) = 0;
};

// Seconds since an arbitrary start, as a double; tests replace it.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double timer() = 0;
};

}  // namespace qv
