#include "app/GlobalObject.h"
#include "app/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quorvia;

namespace {

TEST(GlobalObject, StartsWithTheProgramDefaults)
{
    TGlobalObject g;
    EXPECT_EQ(g.ProductName(), "Quorvia MP4 Video Converter");
    EXPECT_EQ(g.VersionText(), " ver 1.60 ");
    EXPECT_EQ(g.SettingsFile(), DefaultSettingsFile());
    EXPECT_EQ(g.FormatFile(), DefaultFormatFile());
    EXPECT_FALSE(g.HelpURL().empty());
    EXPECT_FALSE(g.WebURL().empty());
}

// Paths are taken only when longer than 3 characters, the rest when not empty;
// an ignored value leaves the field as it was.
TEST(GlobalObject, SettersIgnoreUnsuitableValues)
{
    using Getter = const std::string& (TGlobalObject::*)() const;
    using Setter = void (TGlobalObject::*)(const std::string&);
    struct Field {
        const char* name;
        Getter get;
        Setter set;
        size_t minLength;  // shortest accepted value
    };
    const Field fields[] = {
        {"HelpURL", &TGlobalObject::HelpURL, &TGlobalObject::SetHelpURL, 1},
        {"SettingsFile", &TGlobalObject::SettingsFile, &TGlobalObject::SetSettingsFile, 4},
        {"FormatFile", &TGlobalObject::FormatFile, &TGlobalObject::SetFormatFile, 4},
        {"ProductName", &TGlobalObject::ProductName, &TGlobalObject::SetProductName, 1},
        {"VersionText", &TGlobalObject::VersionText, &TGlobalObject::SetVersionText, 1},
        {"WebURL", &TGlobalObject::WebURL, &TGlobalObject::SetWebURL, 1},
    };
    for (const auto& f : fields) {
        TGlobalObject g;
        const std::string original = (g.*f.get)();
        for (size_t len = 0; len < f.minLength; ++len) {
            (g.*f.set)(std::string(len, 'a'));
            EXPECT_EQ((g.*f.get)(), original) << f.name << " took length " << len;
        }
        const std::string accepted(f.minLength, 'b');
        (g.*f.set)(accepted);
        EXPECT_EQ((g.*f.get)(), accepted) << f.name;
    }
}

TEST(GlobalObject, VersionText)
{
    EXPECT_EQ(BuildVersionText(2, 6, 1, 135), " 2.61135 ");
    EXPECT_EQ(BuildVersionText(1, 0, 0, 0), " 1.000 ");
    EXPECT_EQ(BuildVersionText(10, 12, 3, 4), " 10.1234 ");
    EXPECT_EQ(ProgramVersionText(), " 2.61135 ");
}

TEST(GlobalObject, OneInstanceCreatedOnDemandAndFreed)
{
    FreeGlobalObject();
    EXPECT_EQ(GlobalObject(), nullptr);
    TGlobalObject& g = CreateGlobalObject();
    g.SetSettingsFile("/tmp/quorvia-test.ini");
    EXPECT_EQ(&CreateGlobalObject(), &g);  // a second call keeps the first and its values
    EXPECT_EQ(GlobalObject()->SettingsFile(), "/tmp/quorvia-test.ini");
    FreeGlobalObject();
    EXPECT_EQ(GlobalObject(), nullptr);
}

TEST(Paths, FoldersAndFileNames)
{
    const std::string exe = ExecutableFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(exe.back(), '/');
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(std::string(self).rfind(exe, 0), 0u) << self;

    const std::string settings = DefaultSettingsFile();
    EXPECT_TRUE(settings.ends_with("/quorviamp4fennrow.ini")) << settings;
    EXPECT_TRUE(DefaultFormatFile().ends_with("/quorviamp4format.ini"));

    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(DefaultOutputFolder(), std::string(home) + "/fennrow");
}

}  // namespace
