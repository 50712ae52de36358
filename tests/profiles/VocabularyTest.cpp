#include "profiles/ProfileVocabulary.h"

#include <gtest/gtest.h>

using namespace quorvia;

TEST(Vocabulary, ChannelItems)
{
    EXPECT_EQ(ChannelValue("as source"), "as source");
    EXPECT_EQ(ChannelValue("mono 1 channel"), "1");
    EXPECT_EQ(ChannelValue("stereo 2 channels"), "2");
    EXPECT_EQ(ChannelValue("Stereo 2 channels"), std::nullopt);
    EXPECT_EQ(ChannelValue("5.1"), std::nullopt);
}

TEST(Vocabulary, VolumePercentages)
{
    const std::pair<const char*, const char*> stored[] = {
        {"25%", "64"},   {"50%", "128"},  {"75%", "192"},  {"100%", "256"},
        {"125%", "320"}, {"150%", "384"}, {"175%", "448"}, {"200%", "512"},
        {"250%", "640"}, {"300%", "768"}, {"350%", "896"}, {"400%", "1024"},
    };
    for (const auto& [item, value] : stored) EXPECT_EQ(VolumeValue(item), value) << item;

    // The last character is dropped whatever it is; other numbers store nothing.
    for (const char* item : {"110%", "0%", "100", "", "%", "abc%", "-25%", "1000%"})
        EXPECT_EQ(VolumeValue(item), std::nullopt) << item;
    EXPECT_EQ(VolumeValue("100x"), "256");
}

TEST(Vocabulary, EncoderDisplayNames)
{
    const std::pair<const char*, const char*> video[] = {
        {"mpeg-4", "mpeg4"}, {"MPEG-4", "mpeg4"}, {"xvid", "libxvid"}, {"H264", "libx264"},
        {"flv", "flv"},      {"3g2", "3g2"},      {"wmv3", "wmv3"},    {"dvvideo", "dvvideo"},
    };
    for (const auto& [name, value] : video) EXPECT_EQ(VideoEncoderValue(name), value) << name;
    for (const char* name : {"mpeg4", "h.264", "libx264", " h264", ""})
        EXPECT_EQ(VideoEncoderValue(name), std::nullopt) << name;

    const std::pair<const char*, const char*> audio[] = {
        {"mp3", "libmp3lame"}, {"ogg", "vorbis"}, {"AAC", "libfaac"}, {"ac-3", "ac3"},
        {"flac", "libflac"},   {"amr_nb", "libopencore_amrnb"},     {"pcm_s16", "pcm_s16le"},
        {"pcm_u16", "pcm_u16le"}, {"pcm_mulaw ", "pcm_mulaw"},      {"wma1", "wmav1"},
        {"wma2", "wmav2"},     {"adpcm_ima_wav", "adpcm_ima_wav"},
    };
    for (const auto& [name, value] : audio) EXPECT_EQ(AudioEncoderValue(name), value) << name;
    for (const char* name : {"ac3", "wmav2", "vorbis", ""})
        EXPECT_EQ(AudioEncoderValue(name), std::nullopt) << name;

    EXPECT_TRUE(IsH264DisplayName("h264"));
    EXPECT_TRUE(IsH264DisplayName("H264"));
    EXPECT_FALSE(IsH264DisplayName("mpeg-4"));
}
