#pragma once

#include <QElapsedTimer>

#include "platform/EventLoop.h"

class QEventLoop;

namespace qv {

// The event loop and seconds clock of the UI thread, on QCoreApplication. Needs a
// QCoreApplication (or QApplication) to exist for its whole life.
class QtEventLoop : public EventLoop, public Clock {
  public:
    QtEventLoop();

    void processSystemEvents() override;
    void waitForEvents(double seconds) override;
    // Runs its own QEventLoop rather than QCoreApplication::exec, so that only
    // quitUserInterface ends it (closing the last window does not).
    int runUserInterface() override;
    void quitUserInterface(int code) override;

    double timer() override;

  private:
    QElapsedTimer elapsed_;
    QEventLoop* running_ = nullptr;
    bool quitPending_ = false;
    int quitCode_ = 0;
};

}  // namespace qv
