#include "profiles/ProfileVocabulary.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace quorvia {
namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::optional<std::string> Find(const std::vector<TVocabularyPair>& table, std::string_view item)
{
    for (const auto& p : table)
        if (p.Item == item) return std::string(p.Stored);
    return std::nullopt;
}

}  // namespace

const std::vector<TVocabularyPair>& ChannelTable()
{
    static const std::vector<TVocabularyPair> table = {
        {kAsSource, kAsSource},
        {kChannelMono, "1"},
        {kChannelStereo, "2"},
    };
    return table;
}

const std::vector<TVocabularyPair>& VolumeTable()
{
    // percent x 256 / 100; 256 leaves the volume unchanged
    static const std::vector<TVocabularyPair> table = {
        {"25", "64"},   {"50", "128"},  {"75", "192"},  {"100", "256"},
        {"125", "320"}, {"150", "384"}, {"175", "448"}, {"200", "512"},
        {"250", "640"}, {"300", "768"}, {"350", "896"}, {"400", "1024"},
    };
    return table;
}

const std::vector<TVocabularyPair>& VideoEncoderTable()
{
    static const std::vector<TVocabularyPair> table = {
        {"mpeg-4", "mpeg4"},
        {"xvid", "libxvid"},
        {"h264", "libx264"},
        // container words: no explicit codec, the container's default is used
        {"3gp", "3gp"},
        {"3g2", "3g2"},
        {"mov", "mov"},
        {"flv", "flv"},
        {"swf", "swf"},
        {"wmv1", "wmv1"},
        {"wmv2", "wmv2"},
        {"wmv3", "wmv3"},
        {"msmpeg4", "msmpeg4"},
        {"msmpeg4v1", "msmpeg4v1"},
        {"msmpeg4v2", "msmpeg4v2"},
        {"mpeg1video", "mpeg1video"},
        {"mpeg2video", "mpeg2video"},
        {"h263", "h263"},
        {"h263p", "h263p"},
        {"rawvideo", "rawvideo"},
        {"rv10", "rv10"},
        {"rv20", "rv20"},
        {"dvvideo", "dvvideo"},
        {"huffyuv", "huffyuv"},
        {"ljpeg", "ljpeg"},
        {"mjpeg", "mjpeg"},
        {"svq1", "svq1"},
        {"zlib", "zlib"},
    };
    return table;
}

const std::vector<TVocabularyPair>& AudioEncoderTable()
{
    static const std::vector<TVocabularyPair> table = {
        {"mp3", "libmp3lame"},
        {"ogg", "vorbis"},
        {"mp2", "mp2"},
        {"aac", "libfaac"},
        {"ac-3", "ac3"},
        {"flac", "libflac"},
        {"amr_nb", "libopencore_amrnb"},
        {"pcm_s16", "pcm_s16le"},
        {"pcm_u16", "pcm_u16le"},
        {"pcm_alaw", "pcm_alaw"},
        {"pcm_mulaw ", "pcm_mulaw"},
        // Same name without the trailing blank: a list written without it
        // must not silently keep the previous encoder.
        {"pcm_mulaw", "pcm_mulaw"},
        {"adpcm_ms", "adpcm_ms"},
        {"adpcm_ima_wav", "adpcm_ima_wav"},
        {"wma1", "wmav1"},
        {"wma2", "wmav2"},
    };
    return table;
}

std::optional<std::string> ChannelValue(const std::string& item)
{
    return Find(ChannelTable(), item);
}

std::optional<std::string> VolumeValue(const std::string& item)
{
    if (item.empty()) return std::nullopt;
    const std::string number = item.substr(0, item.size() - 1);
    int percent = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), percent);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return Find(VolumeTable(), std::to_string(percent));
}

std::optional<std::string> VideoEncoderValue(const std::string& displayName)
{
    return Find(VideoEncoderTable(), Lower(displayName));
}

std::optional<std::string> AudioEncoderValue(const std::string& displayName)
{
    return Find(AudioEncoderTable(), Lower(displayName));
}

bool IsH264DisplayName(const std::string& displayName)
{
    return Lower(displayName) == "h264";
}

}  // namespace quorvia
