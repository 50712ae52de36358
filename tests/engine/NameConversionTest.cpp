#include <gtest/gtest.h>

#include "engine/FFmpegException.h"
#include "engine/NameConversion.h"

namespace quorvia {
namespace {

TEST(NameConversion, NamesGoToTheLibrariesUnchanged)
{
    for (const char* name : {"/home/user/video/clip.avi", "C:\\video\\clip.avi", "/tmp/動画テスト.mp4",
                             "http://example.com/a.mp4", "udp://127.0.0.1:1234", "unicode:utf8:/tmp/動画.mp4",
                             "relative name.mkv", ""})
        EXPECT_EQ(ToLibraryName(name), name);
}

TEST(NameConversion, LibraryUrlsAreThePassThroughProtocols)
{
    const struct {
        const char* name;
        bool url;
    } cases[] = {
        {"http://host/a.mp4", true}, {"udp://1.2.3.4:5", true}, {"rtp://h:1", true}, {"tcp://h:1", true},
        {"pipe:0", true},           {"unicode:utf8:/x", true},  {"stream:x", true}, {"gopher://h", true},
        {"C:\\x.avi", false},        {"/a:b/c.mp4", false},      {"HTTP://h", false}, {"tp://h", false},
        {"code:x", false},           {":x", false},              {"/plain.mp4", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsLibraryUrl(c.name), c.url) << c.name;
}

TEST(NameConversion, UnicodePrefixIsRecognisedAndStripped)
{
    const struct {
        const char* libraryName;
        bool unicode;
        const char* name;
    } cases[] = {
        {"unicode:utf8:/tmp/動画.mp4", true, "/tmp/動画.mp4"},
        {"unicode:utf8:a", true, "a"},
        {"unicode:utf8:", false, "unicode:utf8:"},  // nothing after the prefix
        {"Unicode:utf8:/x", false, "Unicode:utf8:/x"},
        {"unicode:utf16:/x", false, "unicode:utf16:/x"},
        {"/tmp/x.mp4", false, "/tmp/x.mp4"},
        {"http://h/x", false, "http://h/x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUnicodeName(c.libraryName), c.unicode) << c.libraryName;
        EXPECT_EQ(FromLibraryName(c.libraryName), c.name) << c.libraryName;
    }
}

TEST(NameConversion, OverlongNamesAreRefusedNotCut)
{
    EXPECT_EQ(ToLibraryName(std::string(2047, 'a')).size(), 2047u);

    std::string name = "ab";
    while (name.size() <= 2047) name += "動";
    try {
        ToLibraryName(name);
        FAIL() << "a name of " << name.size() << " bytes was accepted";
    } catch (const FFmpegException& e) {
        std::string start = "ab";
        for (int i = 0; i < 20; ++i) start += "動";  // 62 bytes: the cut never splits a character
        EXPECT_EQ(std::string(e.what()),
                  "File name is too long (" + std::to_string(name.size()) + " bytes, at most 2047): " + start + "...");
    }
}

}  // namespace
}  // namespace quorvia
