#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace qv {

inline constexpr const char* kPanelFileName = "QuorvaneV10.uir";
inline constexpr const char* kPanelTitle = "QUORVANE V1.0";
inline constexpr const char* kTitleTooltip = "QUORVANE V1.0.0";
inline constexpr const char* kTitleFont = "NIDialogMetaFont";
inline constexpr int kNominalPanelHeight = 690;
inline constexpr int kNominalPanelWidth = 386;

// Radio behaviour of the three memory-select buttons: the changed button is set on again,
// the other two off, and MemoryTarget follows.
int CBF_ButtonSelectMem(Context& ctx, int panel, int control, int event);

// Shows `target` on its button, the other two off, and makes it the memory target.
void SelectMemoryTarget(Context& ctx, MemoryTarget target);

// A right double click on the status box clears it; nothing else reacts there.
int CBF_DispStatus(Context& ctx, int panel, int control, int event);

// Creates a text message on the main panel; returns the result of setting its text.
int ShowInfoText(Context& ctx, const std::string& text, int withTooltip, int left, int top,
                 int pointSize, std::uint32_t backgroundColour, std::uint32_t textColour);
void ShowLogo(Context& ctx);

}  // namespace qv
