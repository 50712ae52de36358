#include "UiTestSupport.h"

#include "engine/FFmpegException.h"
#include "ui/Application.h"
#include "ui/ErrorHandler.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace quorvia;
using namespace quorvia::test;
using ui::ErrorMessageText;

namespace {

TEST(ErrorMessageText, AppendsAPointWhenTheLastByteSortsAfterIt)
{
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"Failed!", "Failed!"},
        {"Failed", "Failed."},
        {"", ""},
        {"Done.", "Done."},
        {"Stopped (user)", "Stopped (user)"},  // ')' sorts before '.'
        {"a-", "a-"},
        {"a,", "a,"},
        {"value 42", "value 42."},
        {"/home/u/", "/home/u/."},  // '/' sorts right after '.'
        {"Größe", "Größe."},
        {"Gruß", "Gruß."},  // bytes above 0x7F sort after '.'
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorMessageText(c.message), c.shown) << '"' << c.message << '"';
}

// A widget whose handler throws whatever the test hands it.
class ThrowingWidget : public QWidget {
public:
    std::function<void()> thrower;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User && thrower) thrower();
        return QWidget::event(e);
    }
};

class ErrorHandlerTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ui::SetApplicationTitle("Quorvia MP4 Video Converter");
    }
};

TEST_F(ErrorHandlerTest, ExceptionsEscapingHandlersAreShownByKind)
{
    struct Case {
        const char* name;
        std::function<void()> thrower;
        ui::TMessageKind kind;
        const char* text;
    };
    const Case cases[] = {
        {"engine", [] { throw FFmpegException("Could not open input file"); }, ui::mkWarning,
         "Could not open input file."},
        {"engine, ends with !", [] { throw FFmpegException("Stopped!"); }, ui::mkWarning, "Stopped!"},
        {"standard", [] { throw std::runtime_error("Failed"); }, ui::mkError, "Failed."},
        {"standard, empty", [] { throw std::logic_error(""); }, ui::mkError, ""},
        {"not a std::exception", [] { throw 42; }, ui::mkError, "Unknown error."},
    };
    ThrowingWidget w;
    for (const auto& c : cases) {
        RecordedMessages().shown.clear();
        w.thrower = c.thrower;
        QEvent e(QEvent::User);
        QCoreApplication::sendEvent(&w, &e);  // returns: the program goes on
        ASSERT_EQ(RecordedMessages().shown.size(), 1u) << c.name;
        const TShownMessage& m = RecordedMessages().shown[0];
        EXPECT_EQ(m.Kind, c.kind) << c.name;
        EXPECT_EQ(m.Text.toStdString(), c.text) << c.name;
        EXPECT_EQ(m.Title, QString("Quorvia MP4 Video Converter")) << c.name;
    }
}

TEST_F(ErrorHandlerTest, BoxTitleFollowsTheApplicationTitle)
{
    ui::SetApplicationTitle("Tamsel Video Converter");
    ThrowingWidget w;
    w.thrower = [] { throw std::runtime_error("early"); };
    QCoreApplication::postEvent(&w, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(RecordedMessages().shown.size(), 1u);
    EXPECT_EQ(RecordedMessages().shown[0].Title, QString("Tamsel Video Converter"));
}

// The usual road: a click runs a slot that throws; the button keeps working.
TEST_F(ErrorHandlerTest, ClickHandlerThatThrowsLeavesTheWindowUsable)
{
    QPushButton button("Go");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1) throw FFmpegException("Encoder not found");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(RecordedMessages().shown.size(), 1u);
    EXPECT_EQ(RecordedMessages().shown[0].Kind, ui::mkWarning);
    EXPECT_EQ(RecordedMessages().shown[0].Text.toStdString(), "Encoder not found.");
}

// Off the user-interface thread the box is queued to it, never shown there.
TEST_F(ErrorHandlerTest, ExceptionFromAnotherThreadIsShownOnTheUserInterfaceThread)
{
    std::thread t([] { ui::HandleApplicationException(std::make_exception_ptr(std::runtime_error("late"))); });
    t.join();
    EXPECT_TRUE(RecordedMessages().shown.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(RecordedMessages().shown.size(), 1u);
    EXPECT_EQ(RecordedMessages().shown[0].Text.toStdString(), "late.");
}

}  // namespace
