#pragma once

namespace qv {

// Event codes delivered to control and panel callbacks.
enum Event : int {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_RIGHT_CLICK = 5,
    EVENT_RIGHT_DOUBLE_CLICK = 6,
    EVENT_CLOSE = 11,
    EVENT_ACTIVE_TAB_CHANGE = 31,
};

}  // namespace qv
