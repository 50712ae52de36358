#include "cli/BatchArguments.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace quorvia::cli {

namespace {

bool ToInt(const std::string& text, int& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || v < -2147483647L || v > 2147483647L) return false;
    value = static_cast<int>(v);
    return true;
}

bool ToSeconds(const std::string& text, double& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !*end && value >= 0 && value < 1e9;
}

std::vector<std::string> SplitComma(const std::string& text)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    if (!text.empty() && text.back() == ',') parts.emplace_back();
    return parts;
}

// "X%,Y%" (the percent signs are optional), each 0..100.
bool ToPosition(const std::string& text, int (&pos)[2])
{
    const auto parts = SplitComma(text);
    if (parts.size() != 2) return false;
    for (int i = 0; i < 2; ++i) {
        std::string p = parts[static_cast<size_t>(i)];
        if (!p.empty() && p.back() == '%') p.pop_back();
        if (!ToInt(p, pos[i]) || pos[i] < 0 || pos[i] > 100) return false;
    }
    return true;
}

}  // namespace

const char* BatchUsage()
{
    return "usage: quorvia-batch [options] FILE...\n"
           "\n"
           "Converts the files with an output profile, as the desktop program's Start does.\n"
           "The profile and its parameters come from the program INI (quorviamp4fennrow.ini);\n"
           "a profile never set up there uses the profile's default choices. Nothing given\n"
           "here is written back to the INI.\n"
           "\n"
           "  --profile CODE          profile code (default: the INI's current profile)\n"
           "  --out DIR               output folder for this run (default: the INI's OutPutDir)\n"
           "  --trim START,DURATION   convert only this range, in seconds (DURATION 0 = to the end)\n"
           "  --crop T,L,B,R          pixels cut off the top, left, bottom and right (even numbers)\n"
           "  --zoom MODE             full, lbox, pan or center (default: the profile's)\n"
           "  --brightness N          0..512, 255 = unchanged\n"
           "  --contrast N            -100..100, 0 = unchanged\n"
           "  --saturation N          0..512, 255 = unchanged\n"
           "  --exposure N            -255..512, 0 = unchanged\n"
           "  --text TEXT             text watermark\n"
           "  --text-pos X%,Y%        its position in percent of the frame (default 0%,0%)\n"
           "  --image FILE.bmp        picture watermark\n"
           "  --image-pos X%,Y%       its position in percent of the frame (default 0%,0%)\n"
           "  --parallel N            convert N files at once (default 1)\n"
           "  --help                  this text\n"
           "\n"
           "While converting, standard input takes p (pause), r (resume) and q (stop, as Ctrl-C).\n"
           "Exit status: 0 when every file converted, 1 when any failed, 130 when stopped,\n"
           "2 for a wrong command line.\n";
}

bool ParseBatchArguments(const std::vector<std::string>& argv, TBatchArguments& args, std::string& error)
{
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argv.size()) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        auto integer = [&](std::optional<int>& into, int low, int high) {
            std::string v;
            int n = 0;
            if (!value(v)) return false;
            if (!ToInt(v, n) || n < low || n > high) {
                error = a + ": " + v + " is not a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high);
                return false;
            }
            into = n;
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            args.Help = true;
        } else if (a == "--profile") {
            if (!integer(args.Profile, 0, 1000000)) return false;
        } else if (a == "--out") {
            if (!value(args.OutputFolder)) return false;
        } else if (a == "--trim") {
            if (!value(v)) return false;
            const auto parts = SplitComma(v);
            if (parts.size() != 2 || !ToSeconds(parts[0], args.TrimStart) || !ToSeconds(parts[1], args.TrimDuration)) {
                error = "--trim: " + v + " is not START,DURATION in seconds";
                return false;
            }
        } else if (a == "--crop") {
            if (!value(v)) return false;
            const auto parts = SplitComma(v);
            bool ok = parts.size() == 4;
            for (size_t k = 0; ok && k < 4; ++k) ok = ToInt(parts[k], args.Crop[k]) && args.Crop[k] >= 0;
            if (!ok) {
                error = "--crop: " + v + " is not TOP,LEFT,BOTTOM,RIGHT in pixels";
                return false;
            }
        } else if (a == "--zoom") {
            if (!value(args.Zoom)) return false;
            if (args.Zoom != "full" && args.Zoom != "lbox" && args.Zoom != "pan" && args.Zoom != "center") {
                error = "--zoom: " + args.Zoom + " is not full, lbox, pan or center";
                return false;
            }
        } else if (a == "--brightness") {
            if (!integer(args.Brightness, 0, 512)) return false;
        } else if (a == "--contrast") {
            if (!integer(args.Contrast, -100, 100)) return false;
        } else if (a == "--saturation") {
            if (!integer(args.Saturation, 0, 512)) return false;
        } else if (a == "--exposure") {
            if (!integer(args.Exposure, -255, 512)) return false;
        } else if (a == "--text") {
            if (!value(args.Text)) return false;
        } else if (a == "--text-pos" || a == "--image-pos") {
            if (!value(v)) return false;
            if (!ToPosition(v, a == "--text-pos" ? args.TextPos : args.ImagePos)) {
                error = a + ": " + v + " is not X%,Y% with both from 0 to 100";
                return false;
            }
        } else if (a == "--image") {
            if (!value(args.Image)) return false;
        } else if (a == "--parallel") {
            std::optional<int> n;
            if (!integer(n, 1, 64)) return false;
            args.Parallel = *n;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            args.Files.push_back(a);
        }
    }
    if (!args.Help && args.Files.empty()) {
        error = "no files given";
        return false;
    }
    return true;
}

}  // namespace quorvia::cli
