#pragma once

#include "platform/qt/io/QtEventLoop.h"

namespace qv::test {

// Runs the event loop until `done` holds or `seconds` have passed; returns `done`'s last value.
template <class Done>
bool waitUntil(QtEventLoop& loop, Done done, double seconds = 10.0) {
    const double end = loop.timer() + seconds;
    while (!done()) {
        const double left = end - loop.timer();
        if (left <= 0.0) {
            return done();
        }
        loop.waitForEvents(left);
    }
    return true;
}

}  // namespace qv::test
