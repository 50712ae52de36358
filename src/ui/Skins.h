#pragma once
// The seven built-in themes. Applied to the whole application, so every
// window takes the main window's current theme when it is shown.
#include <QColor>

namespace quorvia::ui {

inline constexpr int kSkinCount = 7;

// "Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue".
const char* SkinName(int index);

// Applies theme index; false (and nothing changes) when index is not 0..6.
bool ApplySkin(int index);
// The theme applied last; 0 before any.
int CurrentSkin();

// Tint of the job list's odd rows for a theme; EBEBEB for any other number.
QColor SkinOddRowTint(int index);

}  // namespace quorvia::ui
