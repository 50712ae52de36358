#pragma once
// Helpers of the job tests: a private HOME (so the default output folder
// never lands in the real home), program and format INI files in a temp
// folder, and recorders for the prompts, the progress view, the shell and
// the shutdown.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "jobs/BatchViews.h"
#include "jobs/JobPrompts.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia::test {

// Records every message box; questions answer Answer.
class TRecordingPrompts : public IJobPrompts {
public:
    struct TBox {
        std::string Caption;
        std::string Text;
    };
    void Warning(const std::string& caption, const std::string& text) override { Warnings.push_back({caption, text}); }
    bool Question(const std::string& caption, const std::string& text) override
    {
        Questions.push_back({caption, text});
        return Answer;
    }
    std::vector<TBox> Warnings;
    std::vector<TBox> Questions;
    bool Answer = true;
};

// A progress view that only records (the user-interface thread calls it).
class TRecordingView : public IProgressView {
public:
    void Show() override { ++Shows; }
    void Close() override { ++Closes; }
    void SetPosition(int percent) override { Positions.push_back(percent); }
    void SetTexts(const TProgressTexts& texts) override { Texts.push_back(texts); }
    bool OpenFolderAfter() const override { return OpenFolder; }
    bool ShutDownAfter() const override { return ShutDown; }

    int Shows = 0;
    int Closes = 0;
    std::vector<int> Positions;
    std::vector<TProgressTexts> Texts;
    bool OpenFolder = true;
    bool ShutDown = false;
};

class TRecordingShell : public IShellOpen {
public:
    void Open(const std::string& target) override { Opened.push_back(target); }
    std::vector<std::string> Opened;
};

// A temp folder that is also HOME for the test's life, with the two INI
// files of the program in it.
class TJobsTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* home = std::getenv("HOME");
        if (home) oldHome_ = home;
        ::setenv("HOME", dir.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (oldHome_) ::setenv("HOME", oldHome_->c_str(), 1);
        else ::unsetenv("HOME");
    }

    std::string Folder(const std::string& name) const
    {
        const std::string path = dir.file(name);
        std::filesystem::create_directories(path);
        return path;
    }
    // Copies a fixture to a new name (sources of their own for each row).
    std::string CopyFixture(Fixture f, const std::string& folder, const std::string& name) const
    {
        std::filesystem::create_directories(folder);
        const std::string to = folder + "/" + name;
        std::filesystem::copy_file(FixturePath(f), to, std::filesystem::copy_options::overwrite_existing);
        return to;
    }
    static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    TempDir dir;
    TIniFile settings{dir.file("quorviamp4fennrow.ini")};
    TIniFile format{dir.file("quorviamp4format.ini")};

private:
    std::optional<std::string> oldHome_;
};

}  // namespace quorvia::test
