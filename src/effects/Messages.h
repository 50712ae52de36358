#pragma once
// Every text the effects module reports, in one place.

namespace quorvia::msg {

// Watermark picture files (followed by the path).
inline constexpr const char* WatermarkOpenFail = "Cannot open watermark picture: ";
inline constexpr const char* WatermarkNotBitmap = "Watermark picture is not a readable bitmap: ";
inline constexpr const char* WatermarkUnsupported = "Watermark picture has an unsupported bitmap format: ";
inline constexpr const char* WatermarkTooLarge = "Watermark picture is too large: ";

// Text watermark without a GUI application object (fonts need one).
inline constexpr const char* TextNeedsGuiApp = "Cannot draw the text watermark: no GUI application object";

// Conversion hook: a frame of a task the job map does not know (followed by the index).
inline constexpr const char* HookNoJob = "No job for task ";
// Conversion hook: a failure that carried no text.
inline constexpr const char* HookUnknownError = "Unknown error while treating a frame";

}  // namespace quorvia::msg
