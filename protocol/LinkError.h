#pragma once

#include "core/BilingualText.h"
#include "core/Context.h"

namespace qv {

// The link-error report of ctx.proto.StatusMessage: clears LinkOk, appends the message and
// then an empty line to the status box, dims the buttons that need a working link and brings
// the connection page to the front, whichever page the operator was on.
void SetTimeout(Context& ctx);

// Puts `message` in the current language into StatusMessage (at most 255 characters, as the
// buffer holds) and reports it with SetTimeout.
void ReportLinkError(Context& ctx, const BilingualText& message);

}  // namespace qv
