#include "parameters/Transfer.h"

#include <algorithm>

#include "core/Panel.h"
#include "parameters/PanelMapping.h"
#include "protocol/DataExchange.h"
#include "protocol/Frame.h"
#include "protocol/LinkError.h"

namespace qv {

namespace {

void putU16(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v & 0xFF);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t getU16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

// StatusMessage holds what its 256-byte buffer would.
void setStatusMessage(Context& ctx, std::string text) {
    if (text.size() >= kStatusMessageSize) {
        text.resize(kStatusMessageSize - 1);
    }
    ctx.proto.StatusMessage = std::move(text);
}

}  // namespace

std::array<std::uint8_t, kParameterPayloadSize> EncodeParameterSet(const ParameterSet& set) {
    std::array<std::uint8_t, kParameterPayloadSize> payload{};
    putU16(&payload[0], set.controlMode);
    putU16(&payload[2], set.onTime);
    putU16(&payload[4], set.offTime);
    putU16(&payload[6], set.outs);
    return payload;
}

ParameterSet DecodeParameterSet(const std::uint8_t* payload) {
    return ParameterSet{getU16(&payload[0]), getU16(&payload[2]), getU16(&payload[4]),
                        getU16(&payload[6])};
}

std::string PlausibilityReport(int language, std::uint16_t count, const BilingualText& text) {
    return std::string(kPopupTitle.in(language)) + "\n" + std::to_string(count) + text.in(language);
}

void SendPara(Context& ctx) {
    GetPanelValues(ctx);
    const auto payload = EncodeParameterSet(ctx.parameterSet);
    std::copy(payload.begin(), payload.end(), ctx.proto.RequestFrame.begin() + kHeaderSize);
    FillTxBuf(ctx, WriteRam, 0, kParameterPayloadSize);
    if (DataExchange(ctx, kHeaderSize + kParameterPayloadSize) != 1) {
        return;
    }
    if (ctx.proto.ResponseHeader.parameter != 0) {
        setStatusMessage(ctx,
                         PlausibilityReport(ctx.app.language, ctx.proto.ResponseHeader.parameter,
                                            kWriteRamPlausibilityText));
        SetTimeout(ctx);
    }
    // The sensor keeps what it accepted into RAM, so it is stored even after a report.
    if (ctx.app.memoryTarget == MemoryTarget::Eeprom) {
        FillTxBuf(ctx, StoreEeprom, 0, 0);
        DataExchange(ctx, kHeaderSize);
    }
}

void GetPara(Context& ctx) {
    if (ctx.app.memoryTarget == MemoryTarget::Eeprom) {
        FillTxBuf(ctx, LoadEeprom, 0, 0);
        if (DataExchange(ctx, kHeaderSize) != 1) {
            return;
        }
        if (ctx.proto.ResponseHeader.parameter != 0) {
            showConnectionPage(ctx);
            setStatusMessage(
                ctx, PlausibilityReport(ctx.app.language, ctx.proto.ResponseHeader.parameter,
                                        kLoadEepromPlausibilityText));
            appendToStatusBox(ctx, ctx.proto.StatusMessage);
        }
    }
    FillTxBuf(ctx, ReadRam, 0, 0);
    if (DataExchange(ctx, kHeaderSize) != 1) {
        return;
    }
    // Bytes the sensor did not send read as 0: the buffer is cleared before every exchange.
    ctx.parameterSet = DecodeParameterSet(&ctx.proto.ResponseBuffer[kHeaderSize]);
    ShowParameterSet(ctx);
}

}  // namespace qv
