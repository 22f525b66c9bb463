#include "platform/qt/io/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <climits>
#include <cmath>

namespace qv {

QtEventLoop::QtEventLoop() {
    elapsed_.start();
}

void QtEventLoop::processSystemEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::waitForEvents(double seconds) {
    // The negated test also sends NaN down the non-blocking path.
    if (!(seconds > 0.0)) {
        processSystemEvents();
        return;
    }
    const double ms = std::ceil(seconds * 1000.0);
    // The timer's own event is what ends the wait when nothing else happens; a precise timer
    // keeps callers' deadlines from slipping by the coarse timer's 5 %.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(ms >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(ms));
    // processEvents rather than a nested QEventLoop::exec: exec returns at once for good once
    // QCoreApplication::exit has been called, which would turn every later wait into a spin.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

int QtEventLoop::runUserInterface() {
    if (quitPending_) {
        quitPending_ = false;
        return quitCode_;
    }
    QEventLoop loop;
    QEventLoop* outer = running_;
    running_ = &loop;
    const int code = loop.exec();
    running_ = outer;
    return code;
}

void QtEventLoop::quitUserInterface(int code) {
    if (running_ != nullptr) {
        running_->exit(code);
        return;
    }
    // Asked before the loop runs (a close choice during start-up): the next run ends at once.
    quitPending_ = true;
    quitCode_ = code;
}

double QtEventLoop::timer() {
    return static_cast<double>(elapsed_.nsecsElapsed()) / 1e9;
}

}  // namespace qv
