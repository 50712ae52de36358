#pragma once
// Texts of the logger, the library binding and the file-name conversion.
// Format texts take their arguments in the order shown.

namespace quorvia::msg {

// Logger
inline constexpr const char* OnlyOneLogger = "Allow creating only one instance of TFFLogger.";
inline constexpr const char* NotValidInteger = "'%s' is not a valid integer value";  // value
inline constexpr const char* LogPrefix = "[%s @ %p]";  // class item name, context address

// Library binding
inline constexpr const char* LoadLibraryError = "Load library %s error: %s";          // file, reason
inline constexpr const char* LoadFunctionError = "Load function %s@%s error: %s";     // entry, file, reason
inline constexpr const char* LoadVariableError = "Load variable %s@%s error: %s";     // variable, file, reason
inline constexpr const char* MajorVersionMismatch =
    "run-time major version %d differs from build-time major version %d";  // run-time, build-time
inline constexpr const char* EmptyLibrarySet = "TFFmpegLoader: empty library set";

// File-name conversion
inline constexpr const char* NameTooLong =
    "File name is too long (%zu bytes, at most 2047): %s...";  // length, start of the name

}  // namespace quorvia::msg
