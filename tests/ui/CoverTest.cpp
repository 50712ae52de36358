#include "UiTestSupport.h"

#include "ui/FormCover.h"

#include <QImage>
#include <QPointer>
#include <QTest>
#include <filesystem>
#include <fstream>

using namespace quorvia;
using quorvia::test::TempDir;
using ui::TfrmCover;

namespace {

void MakeJpeg(const std::string& path, int w, int h)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    ASSERT_TRUE(img.save(QString::fromStdString(path), "JPG")) << path;
}

TEST(Cover, WithoutPicturesShowsTheBuiltInOne)
{
    TempDir dir;
    auto* cover = new TfrmCover(dir.path().string() + "/");
    QPointer<TfrmCover> guard(cover);
    cover->show();
    EXPECT_EQ(cover->Picture().size(), QSize(399, 239));
    EXPECT_EQ(cover->size(), QSize(399, 239));
    EXPECT_TRUE(cover->windowFlags() & Qt::FramelessWindowHint);
    // The built-in picture is drawn, not left blank.
    const QImage img = cover->Picture().toImage();
    EXPECT_NE(img.pixel(5, 5), img.pixel(390, 230));
    cover->close();
}

TEST(Cover, PicturesFromTheSkinFolderTheSecondWins)
{
    struct Case {
        const char* name;
        bool ipod, mp4, mp4Damaged;
        QSize expected;
    };
    const Case cases[] = {
        {"only ipod", true, false, false, {100, 50}},
        {"only mp4", false, true, false, {120, 60}},
        {"both", true, true, false, {120, 60}},
        {"mp4 damaged", true, true, true, {100, 50}},
        {"only a damaged one", false, true, true, {399, 239}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.ipod) MakeJpeg(dir.file("skin/ipodvideocover.jpg"), 100, 50);
        if (c.mp4 && !c.mp4Damaged) MakeJpeg(dir.file("skin/mp4videocover.jpg"), 120, 60);
        if (c.mp4Damaged) {
            std::filesystem::create_directories(dir.path() / "skin");
            std::ofstream(dir.file("skin/mp4videocover.jpg")) << "not a picture";
        }
        TfrmCover cover(dir.path().string() + "/");
        cover.setAttribute(Qt::WA_DeleteOnClose, false);
        cover.show();
        EXPECT_EQ(cover.Picture().size(), c.expected) << c.name;
        EXPECT_EQ(cover.size(), c.expected) << c.name;
    }
}

TEST(Cover, ClosesOnceTheMainWindowShows)
{
    TempDir dir;
    QWidget mainWindow;
    auto* cover = new TfrmCover(dir.path().string() + "/");
    QPointer<TfrmCover> guard(cover);
    cover->SetMainWindow(&mainWindow);
    cover->show();
    QTest::qWait(1300);  // the timer has fired at least once
    ASSERT_TRUE(guard);
    EXPECT_TRUE(cover->isVisible());
    mainWindow.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull() || !guard->isVisible(); }, 3000));
}

}  // namespace
