// Per-frame statistics: "vstats" lines and the pass-1 log.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TranscodeTestSupport.h"
#include "engine/VideoMessages.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

std::vector<std::string> Lines(const std::string& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(VideoStats, OneLinePerWrittenFrame)
{
    struct TCase {
        const char* Name;
        const char* Options;
        bool Psnr;
        bool Immediate;  // one packet per frame at once: fixed quantiser, time in frame order
    };
    const TCase cases[] = {
        {"plain", "vcodec=mpeg4\nqscale=4", false, true},
        {"psnr", "vcodec=mpeg4\nqscale=4\npsnr=1", true, true},
        // Look-ahead and B-frames: packets come late and out of order.
        {"delayed", "vcodec=libx264", false, false},
    };
    for (const TCase& c : cases) {
        TempDir dir;
        const std::string stats = dir.file("vstats.log");
        const std::string out = dir.file("out.mp4");
        const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), out,
                                        std::string("an=1\n") + c.Options + "\nvstats_file=" + stats));
        ASSERT_TRUE(r.Finished) << c.Name << ": " << r.ErrorMessage;
        const auto lines = Lines(stats);
        ASSERT_EQ(lines.size(), 50u) << c.Name;
        const std::regex line(c.Psnr ? R"(frame= +\d+ q= -?[0-9.]+ PSNR= +[0-9.]+ f_size= +\d+ s_size= +\d+kB )"
                                       R"(time= [0-9.]+ br= +[0-9.]+kbits/s avg_br= +[0-9.]+kbits/s type= [IPB])"
                                     : R"(frame= +\d+ q= -?[0-9.]+ f_size= +\d+ s_size= +\d+kB )"
                                       R"(time= [0-9.]+ br= +[0-9.]+kbits/s avg_br= +[0-9.]+kbits/s type= [IPB])");
        long long total = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lines[i], line)) << c.Name << ": " << lines[i];
            int frame = 0, size = 0;
            double q = 0, time = 0;
            std::sscanf(lines[i].c_str(), "frame= %d q= %lf", &frame, &q);
            std::sscanf(lines[i].substr(lines[i].find("f_size=")).c_str(), "f_size= %d", &size);
            std::sscanf(lines[i].substr(lines[i].find("time=")).c_str(), "time= %lf", &time);
            EXPECT_EQ(frame, static_cast<int>(i) + 1) << c.Name;
            if (c.Immediate) {
                EXPECT_DOUBLE_EQ(q, 4.0) << lines[i];  // the fixed quantiser
                EXPECT_NEAR(time, (i + 1) * 0.04, 1e-9);
            }
            total += size;
        }
        EXPECT_EQ(lines.front().substr(lines.front().size() - 1), "I");
        // The MP4 muxer rewrites H.264 start codes, so only MPEG-4 sizes compare.
        if (c.Immediate) {
            long long written = 0;
            const auto packets = ProbePackets(out);
            for (int s : packets.at(0)) written += s;
            EXPECT_EQ(total, written) << c.Name;
        }
    }
}

TEST(VideoStats, UnwritableFileFailsTheTask)
{
    TempDir dir;
    const TJobResult r = RunJob(
        Job(FixturePath(Fixture::Mp4), dir.file("out.mp4"), "an=1\nvcodec=mpeg4\nvstats_file=/nonexistent/dir/v.log"));
    EXPECT_FALSE(r.Finished);
    EXPECT_EQ(r.ErrorMessage, std::string(transcode::msg::VStatsOpenFail) + "/nonexistent/dir/v.log");
}

// Pass 1 appends the encoder's statistics of every frame to the log file.
TEST(VideoStats, PassOneWritesTheEncoderStatistics)
{
    TempDir dir;
    const std::string prefix = dir.file("twopass");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("out.mp4"),
                                    "an=1\nvcodec=mpeg4\nb=400000\npass=1\npasslogfile=" + prefix));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto lines = Lines(prefix + "-0.log");
    int frames = 0;
    for (const auto& l : lines)
        if (l.rfind("in:", 0) == 0) ++frames;
    EXPECT_EQ(frames, 50);
}

}  // namespace
}  // namespace quorvia::test
