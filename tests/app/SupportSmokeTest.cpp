#include "support/Fixtures.h"

#include <QJsonArray>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quorvia::test;

// The generated fixtures are what later tests assume they are.
TEST(Fixtures, StandardClipIsMpeg4AacAt320x240)
{
    const QJsonObject info = Probe(FixturePath(Fixture::Mp4));
    const QJsonArray streams = info["streams"].toArray();
    ASSERT_EQ(streams.size(), 2);
    EXPECT_EQ(streams[0].toObject()["codec_name"].toString(), "mpeg4");
    EXPECT_EQ(streams[0].toObject()["width"].toInt(), 320);
    EXPECT_EQ(streams[1].toObject()["codec_name"].toString(), "aac");
}

TEST(Fixtures, SpecialFilesExist)
{
    EXPECT_EQ(std::filesystem::file_size(FixturePath(Fixture::ZeroByte)), 0u);
    EXPECT_GT(std::filesystem::file_size(FixturePath(Fixture::Truncated)), 0u);
    EXPECT_TRUE(Probe(FixturePath(Fixture::TextAsMp4)).isEmpty());
    const QJsonArray multi = Probe(FixturePath(Fixture::MkvMulti))["streams"].toArray();
    EXPECT_EQ(multi.size(), 4);
    const QJsonArray six = Probe(FixturePath(Fixture::SixChannel))["streams"].toArray();
    ASSERT_EQ(six.size(), 2);
    EXPECT_EQ(six[1].toObject()["channels"].toInt(), 6);
    EXPECT_EQ(six[1].toObject()["sample_rate"].toString(), "48000");
}
