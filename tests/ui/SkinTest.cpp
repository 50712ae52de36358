#include "MainWindowSupport.h"
#include "UiTestSupport.h"

#include "app/IniFile.h"
#include "ui/Skins.h"

#include <QApplication>
#include <QPalette>
#include <filesystem>

using namespace quorvia;
using namespace quorvia::test;
using ui::TfrmMain;

namespace {

class SkinTest : public UiTest {
protected:
    TIniFile Ini() const { return TIniFile(settingsFile); }

    // Index of the checked entries of the skin menu after opening it.
    std::vector<int> OpenSkinMenu(TfrmMain& w)
    {
        auto* menu = Find<QMenu>(&w, "mnuSkin");
        emit menu->aboutToShow();
        std::vector<int> checked;
        for (int i = 0; i < menu->actions().size(); ++i)
            if (menu->actions()[i]->isChecked()) checked.push_back(i);
        return checked;
    }
};

TEST_F(SkinTest, StartUpAppliesTheStoredTheme)
{
    struct Case {
        const char* stored;  // nullptr: no key
        int applied;
        std::vector<int> menuMark;
    };
    const Case cases[] = {
        {nullptr, 0, {1}},  // start-up default 0, the menu's default 1 ("Gray")
        {"5", 5, {5}},
        {"0", 0, {0}},
        {"9", 0, {}},  // out of range: theme 0 stays, the menu marks nothing
        {"-1", 0, {}},
        {"abc", 0, {1}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(settingsFile);
        if (c.stored) Ini().WriteString("settings", "skinIndex", c.stored);
        ui::ApplySkin(3);  // something else first
        TfrmMain w;
        EXPECT_EQ(ui::CurrentSkin(), c.applied) << (c.stored ? c.stored : "no key");
        EXPECT_EQ(OpenSkinMenu(w), c.menuMark) << (c.stored ? c.stored : "no key");
    }
}

TEST_F(SkinTest, ChoiceIsAppliedStoredAndRestored)
{
    {
        TfrmMain w;
        w.show();
        const QColor before = QApplication::palette().color(QPalette::Window);
        bool lastWindowClosed = false;  // hiding for the new theme must not end the program
        QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &w, [&] { lastWindowClosed = true; });
        FindAction(&w, "mnuSkin2")->trigger();  // "Orange"
        QCoreApplication::processEvents();
        EXPECT_FALSE(lastWindowClosed);
        EXPECT_EQ(ui::CurrentSkin(), 2);
        EXPECT_NE(QApplication::palette().color(QPalette::Window), before);
        EXPECT_EQ(QApplication::palette().color(QPalette::AlternateBase), QColor(0xF8F2E0));
        EXPECT_EQ(Ini().ReadInteger("settings", "skinIndex", -1), 2);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(OpenSkinMenu(w), std::vector<int>{2});
        w.close();
    }
    ui::ApplySkin(0);
    CreateGlobalObject().SetSettingsFile(settingsFile);  // freed by the close
    TfrmMain again;
    EXPECT_EQ(ui::CurrentSkin(), 2);
}

// Without a key the menu marks "Gray"; choosing the marked entry does nothing,
// so the default theme stays and nothing is written.
TEST_F(SkinTest, ChoosingTheCheckedEntryDoesNothing)
{
    TfrmMain w;
    w.show();
    EXPECT_EQ(OpenSkinMenu(w), std::vector<int>{1});
    FindAction(&w, "mnuSkin1")->trigger();
    EXPECT_EQ(ui::CurrentSkin(), 0);
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    EXPECT_TRUE(FindAction(&w, "mnuSkin1")->isChecked());
    EXPECT_TRUE(w.isVisible());
}

TEST(Skins, SevenDistinctThemesWithTheirRowTints)
{
    const QRgb tints[] = {0xE2E6F6, 0xECECEC, 0xF8F2E0, 0xF6E6F1, 0xF7E1E1, 0xE2F7E1, 0xE1F0F7};
    QSet<QRgb> windows;
    for (int i = 0; i < ui::kSkinCount; ++i) {
        EXPECT_EQ(ui::SkinOddRowTint(i), QColor(tints[i])) << i;
        ASSERT_TRUE(ui::ApplySkin(i));
        windows.insert(QApplication::palette().color(QPalette::Window).rgb());
    }
    EXPECT_EQ(windows.size(), ui::kSkinCount);
    EXPECT_EQ(ui::SkinOddRowTint(7), QColor(0xEBEBEB));
    EXPECT_EQ(ui::SkinOddRowTint(-1), QColor(0xEBEBEB));
    EXPECT_FALSE(ui::ApplySkin(7));
    EXPECT_EQ(ui::CurrentSkin(), ui::kSkinCount - 1);
    ui::ApplySkin(0);
}

}  // namespace
