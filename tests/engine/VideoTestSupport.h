#pragma once
// Helpers of the video path tests: odd clips made with the ffmpeg tool, and
// comparisons of written video against a reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Fixtures.h"

namespace quorvia::test {

// Makes `file` with the ffmpeg tool from the given arguments (inputs and
// codec options); fails the test when the tool fails.
inline void MakeWithFfmpeg(const std::string& file, const std::string& args)
{
    std::string out;
    const int rc = RunCommand("ffmpeg -nostdin -v error -y " + args + " " + ShellQuote(file), &out);
    ASSERT_EQ(rc, 0) << out;
}

// A 2 s 320x240 testsrc2 clip at `rate` frames per second (MPEG-4, no audio).
inline std::string VideoClip(const std::string& folder, int rate, const std::string& extra = "",
                             const std::string& ext = "mp4")
{
    const std::string file = folder + "/clip" + std::to_string(rate) + "." + ext;
    MakeWithFfmpeg(file, "-f lavfi -i testsrc2=size=320x240:rate=" + std::to_string(rate) +
                       ":duration=2 -c:v mpeg4 -q:v 3 " + extra);
    return file;
}

// Average PSNR (dB) of the first video of `file` against `reference` after
// the reference went through `filter` (ffmpeg filter text applied to the
// reference, e.g. "crop=320:200:0:20"); -1 when ffmpeg fails.
inline double PsnrAgainst(const std::string& file, const std::string& reference, const std::string& filter)
{
    std::string out;
    const std::string graph = "[1:v]" + filter + ",format=yuv420p[ref];[0:v]format=yuv420p[out];[out][ref]psnr";
    RunCommand("ffmpeg -nostdin -v info -i " + ShellQuote(file) + " -i " + ShellQuote(reference) +
                   " -lavfi " + ShellQuote(graph) + " -f null - 2>&1",
               &out);
    const auto pos = out.find("average:");
    if (pos == std::string::npos) return -1;
    const std::string value = out.substr(pos + 8);
    if (value.rfind("inf", 0) == 0) return 1000;
    return std::atof(value.c_str());
}

// Per-frame MD5 lines of the decoded first video stream.
inline std::vector<std::string> FrameHashes(const std::string& file)
{
    std::string out;
    RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -map 0:v:0 -f framemd5 -", &out);
    std::vector<std::string> hashes;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(start, end - start);
        if (!line.empty() && line[0] != '#') hashes.push_back(line.substr(line.rfind(',') + 1));
        start = end + 1;
    }
    return hashes;
}

}  // namespace quorvia::test
