#include "protocol/LinkError.h"

#include "core/Panel.h"

namespace qv {

void SetTimeout(Context& ctx) {
    ctx.link.LinkOk = 0;
    appendToStatusBox(ctx, ctx.proto.StatusMessage);
    appendToStatusBox(ctx, "\n\n");
    dimLinkDependentButtons(ctx);
    showConnectionPage(ctx);
}

void ReportLinkError(Context& ctx, const BilingualText& message) {
    ctx.proto.StatusMessage = std::string(ctx.text(message)).substr(0, kStatusMessageSize - 1);
    SetTimeout(ctx);
}

}  // namespace qv
