#pragma once
// Texts of the job option builder. Format texts take their arguments in the
// order shown.

namespace quorvia::msg {

// The frame size question: a message box with Yes and No.
inline constexpr const char* FrameSizeCaption = "Warning";
inline constexpr const char* FrameSizeQuestion = "Error output Video Size.Use the default size 320x240?";

// Integer conversion of a profile value that must be a number.
inline constexpr const char* NotAnIntegerValue = "'%s' is not a valid integer value";  // value

}  // namespace quorvia::msg
