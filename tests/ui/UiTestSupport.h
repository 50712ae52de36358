#pragma once
// Shared set-up of the Qt tests: one TApplication for the test process
// (offscreen platform), message boxes and shell opens recorded instead of
// shown, and a fixture that points the global object at a temporary INI so
// no test touches the program's own settings.
#include "app/GlobalObject.h"
#include "support/TempDir.h"
#include "ui/MessageBoxes.h"
#include "ui/ShellOpen.h"

#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quorvia::test {

struct TShownMessage {
    ui::TMessageKind Kind;
    QString Title;
    QString Text;
};

class RecordingMessageBoxes : public ui::IMessageBoxes {
public:
    void Show(ui::TMessageKind kind, const QString& title, const QString& text) override
    {
        shown.push_back({kind, title, text});
    }
    std::vector<TShownMessage> shown;
};

class RecordingShellOpener : public ui::IShellOpener {
public:
    void Open(const std::string& target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

// Installed for every test of the process.
RecordingMessageBoxes& RecordedMessages();
RecordingShellOpener& RecordedOpens();

// A fresh global object whose program INI is a file in a temporary folder;
// recordings are emptied before each test.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TempDir dir;
    std::string settingsFile;
};

}  // namespace quorvia::test
