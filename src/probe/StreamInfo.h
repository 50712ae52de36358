#pragma once
// Stream information records of the prober; plain data that crosses into the
// windows. Times are 64-bit: "Us" fields in microseconds, the others in the
// stream's time base; -1 marks a value not filled or not known.
#include <cstdint>
#include <string>

namespace quorvia {

struct TFileStreamInfo {
    int64_t StartTime = -1;  // µs
    int64_t Duration = -1;   // µs
    int64_t BitRate = -1;    // bits/s
    int64_t Timestamp = -1;  // creation time, Unix seconds (0 when the file has none)
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

struct TAudioStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;    // as stored in the stream (AV_NOPTS_VALUE when it has none)
    int64_t StartTimeUs = -1;
    int64_t Duration = -1;     // as stored in the stream (AV_NOPTS_VALUE when it has none)
    int64_t DurationUs = -1;
    int64_t BitRate = -1;
    int Channels = -1;
    int SampleRate = -1;
    int SampleFormat = -1;     // AVSampleFormat
};

struct TVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;
    int64_t StartTimeUs = -1;
    int64_t Duration = -1;
    int64_t DurationUs = -1;
    int64_t BitRate = -1;
    int Height = -1;
    int Width = -1;
    float AspectRatio = -1.0f;  // display aspect ratio; 0 when the sample aspect ratio is unknown
    int PixelFormat = -1;       // AVPixelFormat
    int FrameRateNum = -1;      // the stream's real frame rate
    int FrameRateDen = -1;
};

}  // namespace quorvia
