#pragma once
// Texts of the option vocabulary (dispatcher, value kinds, generic options).
// Format texts take their arguments in the order shown.
#include "engine/BindingMessages.h"  // NotValidInteger, shared with "loglevel"

namespace quorvia::msg {

// Value kinds.
// NotValidInteger: "'%s' is not a valid integer value" (BindingMessages.h)
inline constexpr const char* NotValidFloat = "'%s' is not a valid floating point value";  // value
inline constexpr const char* InvalidTimeValue = "Invalid %s specification for %s: %s";  // kind, option, value
inline constexpr const char* TimeKindDuration = "duration";
inline constexpr const char* TimeKindDate = "date";

// Informational and warning lines.
inline constexpr const char* DoNothingOption = "Do nothing: option - ";  // + option name
inline constexpr const char* PgmYuvDeprecated = "pgmyuv format is deprecated, use image2";
inline constexpr const char* TimeLimitNotImplemented = "Warning: -timelimit not implemented on Windows";
inline constexpr const char* CropDeprecated = "CropXXX is deprecated in favor of the crop avfilter";
inline constexpr const char* BitrateTooLow =
    "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";

// Failures of options.
inline constexpr const char* TodoOption = "TODO: option - ";  // + option name
inline constexpr const char* IncorrectFrameRate = "Incorrect frame rate";
inline constexpr const char* IncorrectFrameSize = "Incorrect frame size";
inline constexpr const char* UnknownPixelFormat = "Unknown pixel format requested: %s";  // value
inline constexpr const char* UseVFiltersPad = "Please use vfilters=pad";
inline constexpr const char* QScaleRange = "qscale must be > 0.0 and <= 255";
inline constexpr const char* PassNumberRange = "pass number can be only 1 or 2";
inline constexpr const char* IncorrectAspect = "Incorrect aspect ratio specification.";
inline constexpr const char* VerticalCropRange =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
inline constexpr const char* HorizontalCropRange =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
inline constexpr const char* VideoTagLength = "video tag parameter must be 4 chars";
inline constexpr const char* AudioTagLength = "audio tag parameter must be 4 chars";
inline constexpr const char* SubtitleTagLength = "subtitle tag parameter must be 4 chars";
inline constexpr const char* MissingEquals = "Missing =";
inline constexpr const char* StreamIndexOverMax = "stream index over MAX_STREAMS(%d)";  // 20
inline constexpr const char* StreamIdSyntax =
    "Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"";  // value, option
inline constexpr const char* UnknownBitstreamFilter = "Unknown bitstream filter %s";  // trimmed value
inline constexpr const char* VideoHookFailed = "Failed to add video hook function: ";  // + value
inline constexpr const char* MatrixSyntax = "Syntax error in matrix \"%s\" at coeff %d";  // value, index
inline constexpr const char* NoOutputFile = "At least one output file must be specified";

// Generic options: reported through the library log at error level.
inline constexpr const char* InvalidGenericValue = "Invalid value \"%s\" for option \"%s\"\n";  // value, name

// Limits of the option state (cases the tables have no room for).
inline constexpr const char* StreamIndexNegative = "stream index %d is negative for option \"%s\"";  // index, option
inline constexpr const char* StreamIdIndexRange =
    "Invalid stream index %d for option \"%s\": output stream indexes are 0 to %d";  // index, option, 19
inline constexpr const char* TooManyStreamMaps = "Too many stream maps: at most %d are allowed";  // 400
inline constexpr const char* TooManyMetaDataMaps = "Too many metadata maps: at most %d are allowed";  // 20
inline constexpr const char* TooManyInputsForScale =
    "itsscale: no further input file can be opened (at most %d)";  // 20
inline constexpr const char* MatrixCoeffRange =
    "Matrix \"%s\": coeff %d must be 1 to 65535";  // value, index

// Allocation of the generic option templates.
inline constexpr const char* TemplateAllocFailed = "Could not allocate the generic option templates";

}  // namespace quorvia::msg
