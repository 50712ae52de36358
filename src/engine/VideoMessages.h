#pragma once
// Message texts of the video output path (pre-processing, hooks, "vhook"
// registry, frame-rate decision, crop/scale, filters, encoding, previews,
// "vstats"). printf-style where they take values.
namespace quorvia::transcode::msg {

// Set-up.
inline constexpr const char* PixelFormatUnknown = "Video pixel format is unknown, stream cannot be encoded";
inline constexpr const char* TempPictureFail = "Cannot allocate temp picture, check pix fmt";
inline constexpr const char* ResamplingContextFail = "Cannot get resampling context";
inline constexpr const char* FiltersOpenFail = "Error opening filters!";

// Pre-processing and hooks.
inline constexpr const char* HookBufferFail = "hook buf malloc error.";
inline constexpr const char* DeinterlaceFail = "Deinterlacing failed.";
inline constexpr const char* ToRgbFail = "Cannot initialize the toRGB conversion context";
inline constexpr const char* FromRgbFail = "Cannot initialize the fromRGB conversion context";
inline constexpr const char* CustomHookError = "Error occurs OnCustomHook: ";

// "vhook" registry (through the library log, hence the line ends).
inline constexpr const char* HookNoProcess = "Failed to find Process entrypoint in %s\n";
inline constexpr const char* HookNoConfigure = "Failed to find Configure entrypoint in %s\n";
inline constexpr const char* HookConfigureFail = "Failed to Configure %s\n";

// Frame-rate decision.
inline constexpr const char* DropFrame = "*** drop!";
inline constexpr const char* DupFrames = "*** %d dup!";

// Crop, scale, size changes.
inline constexpr const char* CropFail = "error cropping picture";
inline constexpr const char* FrameSizeChanged = "Input Stream #%d.%d frame size changed to %dx%d, %s";
// Our wording for the two conditions the frame size change cannot survive.
inline constexpr const char* FrameSizeChangedNoScaler =
    "Input Stream #%d.%d frame size changed to %dx%d, %s, but output stream #%d.%d has no scaler";
inline constexpr const char* CropBandNegative =
    "Input Stream #%d.%d frame size changed to %dx%d: crop bands of output stream #%d.%d became negative";
inline constexpr const char* FilterSizeChanged =
    "Input Stream #%d.%d frame size changed to %dx%d: the filters of output stream #%d.%d now give %dx%d "
    "instead of %dx%d";

// A picture the graph refuses mid-run (followed by the library's error text).
inline constexpr const char* FilterFail = "Error while filtering";

// Encoding and statistics.
inline constexpr const char* VideoEncodeFail = "Video encoding failed";
inline constexpr const char* VStatsOpenFail = "fopen fail: ";
inline constexpr const char* VStatsFrame = "frame= %5d q= %2.1f ";
inline constexpr const char* VStatsPsnr = "PSNR= %6.2f ";
inline constexpr const char* VStatsSize = "f_size= %6d ";
inline constexpr const char* VStatsRates = "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ";
inline constexpr const char* VStatsType = "type= %c\n";

}  // namespace quorvia::transcode::msg
