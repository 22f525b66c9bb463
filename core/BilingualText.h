#pragma once

namespace qv {

// The language index: 0 German, 1 English.
enum Language : int { LANGUAGE_GERMAN = 0, LANGUAGE_ENGLISH = 1 };

// A text the program shows, German first, English second.
struct BilingualText {
    const char* german;
    const char* english;

    const char* in(int language) const { return language == LANGUAGE_GERMAN ? german : english; }
};

// Title of every pop-up.
inline constexpr BilingualText kPopupTitle{"Info!", "Message!"};

}  // namespace qv
