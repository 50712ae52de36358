// Applying option presets to a task: lookup order, preset files, failures,
// and built-in lines that the installed libraries refuse.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "PresetTestSupport.h"
#include "engine/FFmpegException.h"
#include "engine/OptionPresetTable.h"
#include "support/TempDir.h"

namespace quorvia {
namespace {

using test::Accepted;
using test::LogCapture;

std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Lines of a built-in preset skipped with a warning, in order.
std::vector<std::string> SkippedLines(const std::string& preset)
{
    TCustomFFmpeg task;
    LogCapture log;
    task.ApplyPreset("vpre", preset);
    std::vector<std::string> skipped;
    const std::string prefix = preset + ": Option not supported by the installed libraries, line skipped: \"";
    for (const std::string& line : log.At(llWarning))
        if (line.rfind(prefix, 0) == 0) skipped.push_back(line.substr(prefix.size(), line.size() - prefix.size() - 1));
    return skipped;
}

TEST(PresetApply, FindsBuiltinByCodecPrefixOrFullNameInAnyCase)
{
    const struct {
        const char* option;
        const char* preset;
        const char* videoCodec;
        const char* audioCodec;
        const char* subtitleCodec;
    } cases[] = {
        {"vpre", "mp4", "libx264", nullptr, nullptr},
        {"vpre", "LIBX264-MP4", nullptr, nullptr, nullptr},
        {"vpre", "libx264-mp4", "mpeg4", nullptr, nullptr},
        {"apre", "mp4", nullptr, "libx264", nullptr},
        {"spre", "mp4", "mpeg4", "mp2", "libx264"},
        // Neither a "v" option with a video codec nor an "a" option with an
        // audio codec: the subtitle codec names the preset.
        {"vpre", "mp4", nullptr, "mp2", "libx264"},
        {"apre", "mp4", "mpeg4", nullptr, "libx264"},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        if (c.videoCodec) task.SetOption("vcodec", c.videoCodec);
        if (c.audioCodec) task.SetOption("acodec", c.audioCodec);
        if (c.subtitleCodec) task.SetOption("scodec", c.subtitleCodec);
        task.ApplyPreset(c.option, c.preset);
        EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), "1500000") << c.option << "=" << c.preset;
        EXPECT_EQ(Accepted(task, gtVideo, "bufsize"), "4000000") << c.option << "=" << c.preset;
    }
}

TEST(PresetApply, UnknownOrFileOnlyNamesFailWhenNoFileExists)
{
    const struct {
        const char* option;
        const char* preset;
        const char* videoCodec;
        const char* message;
    } cases[] = {
        {"fpre", "libx264-mp4", nullptr, "Preset \"libx264-mp4\" not found"},
        {"vpre", "mp4", nullptr, "Preset \"mp4\" not found"},          // no codec: label stays "mp4"
        {"vpre", "mp4", "mpeg4", "Preset \"mp4\" not found"},          // "mpeg4-mp4" is no preset
        {"apre", "mp4", "libx264", "Preset \"mp4\" not found"},        // video codec ignored for "apre"
        {"spre", "mp4", "libx264", "Preset \"mp4\" not found"},        // and for "spre"
        {"vpre", "/nonexistent/dir", nullptr, "Preset \"/nonexistent/dir\" not found"},
        {"vpre", "/tmp", nullptr, "Preset \"/tmp\" not found"},        // a folder is no preset file
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        if (c.videoCodec) task.SetOption("vcodec", c.videoCodec);
        EXPECT_EQ(Failure([&] { task.ApplyPreset(c.option, c.preset); }), c.message)
            << c.option << "=" << c.preset;
    }
}

TEST(PresetApply, EmptyOptionOrPresetNameDoesNothing)
{
    TCustomFFmpeg task;
    task.ApplyPreset("", "libx264-mp4");
    task.ApplyPreset("vpre", "");
    EXPECT_TRUE(task.Options().GenericOptionNames.empty());
}

TEST(PresetApply, PresetFileAppliesEveryLineAroundEmptyOnes)
{
    test::TempDir dir;
    const std::string file = dir.file("my.ffpreset");
    WriteFile(file, "\r\n  b=300000 \r\n\r\n   \r\nmaxrate=400000\r\nVCODEC=mpeg4\nacodec=copy\n");
    TCustomFFmpeg task;
    task.ApplyPreset("fpre", file);
    EXPECT_EQ(Accepted(task, gtVideo, "b"), "300000");
    EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), "400000");
    EXPECT_EQ(task.Options().VideoCodecName, "mpeg4");
    EXPECT_TRUE(task.Options().AudioStreamCopy);
}

TEST(PresetApply, EmptyPresetFileAppliesNothing)
{
    test::TempDir dir;
    WriteFile(dir.file("empty"), "");
    TCustomFFmpeg task;
    task.ApplyPreset("vpre", dir.file("empty"));
    EXPECT_TRUE(task.Options().GenericOptionNames.empty());
}

TEST(PresetApply, PresetFileFailuresNameLabelAndLineAndKeepEarlierLines)
{
    test::TempDir dir;
    const struct {
        const char* text;
        const char* videoCodec;
        std::string message;  // %s = file name label
    } cases[] = {
        {"b=300000\nnosuchoption=1\nmaxrate=400000", nullptr,
         "%s: Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" = \"1\""},
        // Preset files stay strict about lines the installed libraries refuse.
        {"b=300000\nflags2=-wpred-dct8x8", nullptr,
         "%s: Invalid option or argument: \"flags2=-wpred-dct8x8\", parsed as \"flags2\" = \"-wpred-dct8x8\""},
        {"b=300000\n=1", nullptr, "%s: Invalid syntax: \"=1\""},
        // A codec name makes the label "codec-file" although the file itself is read.
        {"b=300000\nmaxrate", "mpeg4", "mpeg4-%s: Invalid syntax: \"maxrate\""},
    };
    for (const auto& c : cases) {
        const std::string file = dir.file("p.txt");
        WriteFile(file, c.text);
        TCustomFFmpeg task;
        if (c.videoCodec) task.SetOption("vcodec", c.videoCodec);
        std::string expected = c.message;
        expected.replace(expected.find("%s"), 2, file);
        EXPECT_EQ(Failure([&] { task.ApplyPreset("vpre", file); }), expected);
        EXPECT_EQ(Accepted(task, gtVideo, "b"), "300000") << c.text;  // lines before it stay applied
        EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), std::nullopt) << c.text;
    }
}

// The lines of the presets the program selects itself that the installed
// libraries refuse; the rest of each preset still applies.
TEST(PresetApply, SelectedBuiltinPresetsApplyAndSkipOnlyRefusedLines)
{
    const std::vector<std::string> pspSkips = {"directpred=1"};
    const struct {
        const char* name;
        std::vector<std::string> skipped;
        const char* maxrate;
    } cases[] = {
        {"libx264-mp4", pspSkips, "1500000"},
        {"libx264-psp", pspSkips, "1500000"},
        {"libx264-ps3", pspSkips, "3500000"},
        {"libx264-ipod", pspSkips, "1250000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SkippedLines(c.name), c.skipped) << c.name;
        TCustomFFmpeg task;
        ASSERT_NO_THROW(task.ApplyPreset("vpre", c.name)) << c.name;
        EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), c.maxrate) << c.name;
        EXPECT_EQ(Accepted(task, gtVideo, "bt"), "256000") << c.name;
        EXPECT_EQ(Accepted(task, gtVideo, "qmax"), "51") << c.name;
    }
}

// Every built-in preset applies; what is skipped is only what the libraries
// no longer know.
TEST(PresetApply, EveryBuiltinPresetAppliesSkippingOnlyVanishedNames)
{
    const std::set<std::string> vanished = {"directpred", "flags2", "cqp"};
    std::map<std::string, std::vector<std::string>> skipsByPreset;
    for (const TOptionsPreset& preset : BuiltinOptionPresets()) {
        TCustomFFmpeg task;
        ASSERT_NO_THROW(task.ApplyPreset("vpre", preset.Name)) << preset.Name;
        for (const std::string& line : SkippedLines(preset.Name)) {
            skipsByPreset[preset.Name].push_back(line);
            EXPECT_TRUE(vanished.count(line.substr(0, line.find('=')))) << preset.Name << ": " << line;
        }
    }
    for (const auto& [name, lines] : skipsByPreset) {
        std::string joined;
        for (const std::string& line : lines) joined += " [" + line + "]";
        std::cout << "skipped " << name << ":" << joined << "\n";
    }
}

}  // namespace
}  // namespace quorvia
