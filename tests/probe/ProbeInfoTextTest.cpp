// The description text: its lines for real files, in order.
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ProbeFixtures.h"
#include "ProbeTestSupport.h"
#include "probe/AVProbe.h"
#include "support/Fixtures.h"

using namespace quorvia;
using namespace quorvia::test;

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Index of the first line starting with prefix, -1 when none.
int Find(const std::vector<std::string>& lines, const std::string& prefix)
{
    const auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return StartsWith(l, prefix); });
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

std::string InfoText(const std::string& file)
{
    TAVProbe probe;
    EXPECT_TRUE(probe.LoadFile(file)) << probe.LastErrMsg();
    return probe.GetInfoText();
}

}  // namespace

using ProbeInfoText = ProbeTest;

TEST_F(ProbeInfoText, Mp4ClipLineByLine)
{
    const std::string file = FixturePath(Fixture::Mp4);
    const std::string text = InfoText(file);
    // CR LF between lines, none at the end, no bare LF.
    EXPECT_FALSE(EndsWith(text, "\r\n"));
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;

    const std::vector<std::string> lines = SplitLines(text);
    const QJsonObject format = Probe(file)["format"].toObject();
    char size[64];
    std::snprintf(size, sizeof size, "File Size: %.2f KB", std::filesystem::file_size(file) / 1024.0);
    const std::vector<std::string> head = {
        "File Name: " + file,
        "Format Name: mov,mp4,m4a,3gp,3g2,mj2",
        "Format Long Name: QuickTime / MOV",
        size,
        "Duration: 00:00:02.000",
        "StartTime: 0.000000",
        "Bit Rate: " + std::to_string(format["bit_rate"].toString().toLongLong() / 1000) + " kb/s",
        "Metadata:",
        "  major_brand     : isom",
    };
    ASSERT_GE(lines.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << i;

    const int video = Find(lines, "Stream #0");
    const int audio = Find(lines, "Stream #1");
    ASSERT_GT(video, 0);
    ASSERT_GT(audio, video);
    EXPECT_TRUE(StartsWith(lines[video], "Stream #0[0x1](und), 1/12800: Video: mpeg4 (Simple Profile)")) << lines[video];
    EXPECT_NE(lines[video].find(", 320x240 "), std::string::npos) << lines[video];
    EXPECT_TRUE(EndsWith(lines[video], ", 25 fps, 25 tbr, 12800 tbn, StartTime: 0.000000, Duration: 00:00:02.000"))
        << lines[video];
    EXPECT_EQ(lines[video + 1], "  Metadata:");
    EXPECT_EQ(lines[video + 2], "    handler_name    : VideoHandler");
    EXPECT_TRUE(StartsWith(lines[audio], "Stream #1[0x2](und), 1/44100: Audio: aac (LC)")) << lines[audio];
    EXPECT_NE(lines[audio].find("44100 Hz, stereo"), std::string::npos) << lines[audio];
    EXPECT_EQ(lines[audio].find(" fps"), std::string::npos) << "rates are for video only";
    EXPECT_TRUE(EndsWith(lines[audio], ", StartTime: 0.000000, Duration: 00:00:02.000")) << lines[audio];
}

// Other containers: programs, stream ids, display shape, rates, tags, and
// what is left out.
TEST_F(ProbeInfoText, FeaturesOfOtherFiles)
{
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();

    const struct {
        std::string file;
        std::vector<std::string> lines;     // present, in this order (each line matched by its start)
        std::vector<std::string> snippets;  // present somewhere
        std::vector<std::string> absent;    // nowhere
    } cases[] = {
        {ProbeFixturePath(ProbeFixture::MpegTs),
         {"Format Name: mpegts", "Program 1 N/A@N/A", "  Metadata:", "    service_name    : Service01",
          "Stream #0[0x100], 1/90000: Video: mpeg2video", "Stream #1[0x101](fre), 1/90000: Audio: mp2"},
         {", 25 fps, 25 tbr, 90k tbn"},
         // The audio stream's only tag is its language: no tag block.
         {"language"}},
        {ProbeFixturePath(ProbeFixture::Anamorphic),
         {"Format Name: matroska,webm", "Stream #0, 1/1000: Video: mpeg4"},
         {", PAR 4:3 DAR 16:9, 25 fps, 25 tbr, 1k tbn"},
         {}},
        {ProbeFixturePath(ProbeFixture::Ntsc), {"Duration: 00:00:01.001"}, {", 29.97 fps, 29.97 tbr, 30k tbn"}, {}},
        {ProbeFixturePath(ProbeFixture::Flac),
         {"Format Name: flac", "Time Stamp: 2010-01-01 01:02:03", "Metadata:", "  title           : Tone",
          "  artist          : Tester", "Stream #0, 1/44100: Audio: flac"},
         {},
         {}},
        {FixturePath(Fixture::MkvMulti),
         {"Stream #0, 1/1000: Video: mpeg4", "Stream #1(eng), 1/1000: Audio: aac", "Stream #2(ger), 1/1000: Audio: mp3",
          "Stream #3, 1/1000: Subtitle: subrip"},
         {"Duration: N/A"},
         {"language", "Program"}},
        {FixturePath(Fixture::Wav),
         {"Format Name: wav", "Duration: 00:00:02.000", "Bit Rate: 1411 kb/s"},
         {"Audio: pcm_s16le"},
         {"StartTime", "Time Stamp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = InfoText(c.file);
        const std::vector<std::string> lines = SplitLines(text);
        int from = 0;
        for (const std::string& wanted : c.lines) {
            const auto it = std::find_if(lines.begin() + from, lines.end(),
                                         [&](const std::string& l) { return StartsWith(l, wanted); });
            ASSERT_NE(it, lines.end()) << "missing or out of order: " << wanted << "\n" << text;
            from = static_cast<int>(it - lines.begin()) + 1;
        }
        for (const std::string& s : c.snippets) EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
        for (const std::string& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << s << "\n" << text;
    }

    if (oldTz) ::setenv("TZ", savedTz.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}
