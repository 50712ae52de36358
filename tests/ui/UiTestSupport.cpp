#include "UiTestSupport.h"

#include "ui/Application.h"

#include <QByteArray>

namespace quorvia::test {
namespace {

std::shared_ptr<RecordingMessageBoxes>& Boxes()
{
    static auto boxes = std::make_shared<RecordingMessageBoxes>();
    return boxes;
}

std::shared_ptr<RecordingShellOpener>& Opens()
{
    static auto opens = std::make_shared<RecordingShellOpener>();
    return opens;
}

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<ui::TApplication>(argc, argv);
        ui::SetMessageBoxes(Boxes());
        ui::SetShellOpener(Opens());
    }
    void TearDown() override
    {
        FreeGlobalObject();
        app_.reset();
    }

private:
    std::unique_ptr<ui::TApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

RecordingMessageBoxes& RecordedMessages() { return *Boxes(); }
RecordingShellOpener& RecordedOpens() { return *Opens(); }

void UiTest::SetUp()
{
    FreeGlobalObject();
    settingsFile = dir.file("quorviamp4fennrow.ini");
    CreateGlobalObject().SetSettingsFile(settingsFile);
    RecordedMessages().shown.clear();
    RecordedOpens().opened.clear();
}

void UiTest::TearDown() { FreeGlobalObject(); }

}  // namespace quorvia::test
