#pragma once
// The command line of quorvia-batch.
#include <optional>
#include <string>
#include <vector>

namespace quorvia::cli {

struct TBatchArguments {
    std::optional<int> Profile;        // --profile CODE
    std::string OutputFolder;          // --out DIR (this run only)
    double TrimStart = 0;              // --trim START,DURATION (seconds)
    double TrimDuration = 0;
    int Crop[4] = {0, 0, 0, 0};        // --crop TOP,LEFT,BOTTOM,RIGHT (pixels)
    std::string Zoom;                  // --zoom full|lbox|pan|center
    std::optional<int> Brightness, Contrast, Saturation, Exposure;
    std::string Text;                  // --text TEXT
    int TextPos[2] = {0, 0};           // --text-pos X%,Y%
    std::string Image;                 // --image FILE.bmp
    int ImagePos[2] = {0, 0};          // --image-pos X%,Y%
    int Parallel = 1;                  // --parallel N
    bool Help = false;
    std::vector<std::string> Files;
};

// Parses argv; false with a message for the user in `error`.
bool ParseBatchArguments(const std::vector<std::string>& argv, TBatchArguments& args, std::string& error);

// The --help text.
const char* BatchUsage();

}  // namespace quorvia::cli
