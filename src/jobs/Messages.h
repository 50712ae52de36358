#pragma once
// Every message text, caption and INI name of the job code, in one place.
namespace quorvia::jobs::msg {

// Message box captions.
inline constexpr const char* WarningCaption = "Warning";

// Output naming: the folder in "OutPutDir" cannot be created. Filled with
// the folder and the default folder.
inline constexpr const char* CannotCreateOutputDir = "Cannot create output directory:";
inline constexpr const char* WillCreateDefaultDir = ".It will create default directory ";
inline constexpr const char* WillCreateDefaultDirEnd = "!";

// Output names.
inline constexpr const char* NewMark = "_(new)";
inline constexpr const char* NewMarkNumberedOpen = "_(new_";
inline constexpr const char* NewMarkNumberedClose = ")";
inline constexpr const char* IpodSuffix = "_ipod.";

// Progress texts of the batch.
inline constexpr const char* PercentSign = "%";
inline constexpr const char* SecondUnit = " Second";
inline constexpr const char* KilobyteUnit = " kb";
inline constexpr const char* ShortenedMark = "..";

// Start of a batch: a job whose source the engine cannot open.
inline constexpr const char* CannotAddJob = "Cannot add the job %s: %s";  // source, engine reason

// Program INI names read by the job code.
inline constexpr const char* SettingsSection = "settings";
inline constexpr const char* OutPutDirKey = "OutPutDir";
inline constexpr const char* PriorityKey = "priority";
inline constexpr const char* ZoomKey = "paraZoom";
inline constexpr const char* DefaultZoom = "lbox";
inline constexpr const char* LibraryFolderName = "LibAV";


// Columns of the job list, in order.
inline constexpr const char* ColumnSource = "Source";
inline constexpr const char* ColumnLength = "Length";
inline constexpr const char* ColumnTrimmedLength = "Trimmed Length";
inline constexpr const char* ColumnDestinationFile = "Destination File";
inline constexpr const char* ColumnProgress = "Progress";

}  // namespace quorvia::jobs::msg
