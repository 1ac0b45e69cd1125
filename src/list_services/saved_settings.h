// Settings the dialogs read back from where they saved them (the user profile, JXCSystem.INI).
// A person or another program may have damaged them; a value that the dialogs would never have
// written counts as absent, so the caller's default holds and the next save writes it soundly.
// Pure functions.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

// The widest column a dialog saves, in twips (a 4K screen at 15 twips a pixel).
inline constexpr float kMaxSavedWidth = 60000;

// A saved column width: a number from 0 to kMaxSavedWidth, else `fallback`.
float SavedWidth(const std::string& text, float fallback);

// A saved check box state: read as a number (an empty text is 0), and only 0 or 1 count;
// anything else is 0, unticked.
int16_t SavedCheckState(const std::string& text);

}  // namespace qmz
