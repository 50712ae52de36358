#pragma once
// Texts of the target presets and option presets, spelled exactly as shown
// to the user and written to the log.

namespace quorvia::msg {

// Target presets.
inline constexpr const char* UnknownTargetType = "Unknown target type";
inline constexpr const char* FrameRateInvalid = "frame_rate is invalid.";
inline constexpr const char* AssumingNormForTarget = "Assuming %s for target.";
inline constexpr const char* NormNamePAL = "PAL";
inline constexpr const char* NormNameNTSC = "NTSC";
inline constexpr const char* AssumingAspect4x3 = "Assuming 4:3 for aspect ratio";
inline constexpr const char* AssumingAspect16x9 = "Assuming 16:9 for aspect ratio";
// The installed libraries have no "scan_offset" flag; the MPEG-2 encoder's
// own option carries it instead.
inline constexpr const char* ScanOffsetAsEncoderOption =
    "Flag \"+scan_offset\" is not known to the installed libraries, using option \"scan_offset\"=\"1\"";

// Option presets.
inline constexpr const char* PresetNotFound = "Preset \"%s\" not found";
inline constexpr const char* PresetInvalidSyntax = "%s: Invalid syntax: \"%s\"";
inline constexpr const char* PresetInvalidOption =
    "%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"";
// A built-in preset line that the installed libraries refuse is skipped.
inline constexpr const char* PresetLineSkipped =
    "%s: Option not supported by the installed libraries, line skipped: \"%s\"";

}  // namespace quorvia::msg
