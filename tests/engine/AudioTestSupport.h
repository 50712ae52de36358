#pragma once
// Helpers of the audio path tests: odd sources made with the ffmpeg tool,
// outputs decoded back to 16-bit samples with it, and simple measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {

// One input, one output.
inline TJob AudioJob(const std::string& in, const std::string& out, const std::string& options,
                     std::function<void(TCustomFFmpeg&)> prepare = nullptr)
{
    TJob job;
    job.Inputs = {{in, ""}};
    job.Output = out;
    job.OutputOptions = options;
    job.Prepare = std::move(prepare);
    return job;
}

// Runs the ffmpeg tool with args and the output name; fails the test when it fails.
inline std::string MakeMedia(const TempDir& dir, const std::string& name, const std::string& args)
{
    const std::string out = dir.file(name);
    std::string log;
    const int rc = RunCommand("ffmpeg -nostdin -y -v error " + args + " " + ShellQuote(out), &log);
    EXPECT_EQ(rc, 0) << log;
    return out;
}

// Interleaved signed 16-bit samples of the first audio stream, as the ffmpeg
// tool decodes them (in the file's own channel count and rate).
inline std::vector<int16_t> DecodeS16(const TempDir& dir, const std::string& file)
{
    const std::string raw = dir.file("decoded.raw");
    std::string log;
    const int rc = RunCommand("ffmpeg -nostdin -y -v error -i " + ShellQuote(file) + " -map 0:a:0 -f s16le " +
                                  ShellQuote(raw),
                              &log);
    EXPECT_EQ(rc, 0) << log;
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
}

inline int Peak(const std::vector<int16_t>& s, size_t from = 0, size_t step = 1)
{
    int peak = 0;
    for (size_t i = from; i < s.size(); i += step) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

// Frequency of a tone in one channel from its zero crossings (with a dead
// band, so coding noise around zero is not counted), over the span from the
// first to the last crossing, so leading or trailing silence does not count.
inline double ToneFrequency(const std::vector<int16_t>& s, int channels, int channel, int rate)
{
    const int band = std::max(1, Peak(s, channel, channels) / 4);
    int crossings = 0, side = 0;
    size_t first = 0, last = 0;
    const size_t frames = s.size() / channels;
    for (size_t i = 0; i < frames; ++i) {
        const int v = s[i * channels + channel];
        const int now = v > band ? 1 : v < -band ? -1 : 0;
        if (now == 0 || now == side) continue;
        if (side != 0) {
            if (crossings++ == 0) first = i;
            last = i;
        }
        side = now;
    }
    if (crossings < 2) return 0;
    return (crossings - 1) / 2.0 / (static_cast<double>(last - first) / rate);
}

// The first audio stream of a probed file.
inline QJsonObject AudioStreamOf(const std::string& file)
{
    const auto streams = StreamsOf(Probe(file), "audio");
    return streams.empty() ? QJsonObject{} : streams.front();
}

}  // namespace quorvia::test
