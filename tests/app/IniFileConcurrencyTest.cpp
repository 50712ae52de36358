#include "app/IniFile.h"
#include "support/TempDir.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using quorvia::TIniFile;
using quorvia::test::TempDir;

namespace {

// A reader that runs while another thread rewrites the file must always see
// a whole file: the big value complete and the key after it present.
TEST(IniFileConcurrency, ReaderNeverSeesAHalfWrittenFile)
{
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    TIniFile writer(path);
    const std::string xs(200000, 'x');
    const std::string ys(150000, 'y');
    ASSERT_TRUE(writer.WriteString("settings", "big", xs));
    ASSERT_TRUE(writer.WriteString("settings", "tail", "end"));

    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread w([&] {
        for (int i = 0; i < 60 && !stop; ++i) {
            writer.WriteString("settings", "big", i % 2 ? ys : xs);
            ++writes;
        }
        stop = true;
    });

    TIniFile reader(path);
    int reads = 0, bad = 0;
    while (!stop || reads == 0) {
        const std::string big = reader.ReadString("settings", "big", "");
        const std::string tail = reader.ReadString("settings", "tail", "");
        if ((big != xs && big != ys) || tail != "end") ++bad;
        ++reads;
    }
    w.join();
    EXPECT_EQ(bad, 0) << "of " << reads << " reads during " << writes << " writes";
    EXPECT_GT(reads, 1);
}

// Writers in several threads change different keys; none is lost.
TEST(IniFileConcurrency, ConcurrentWritersLoseNoKeys)
{
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    constexpr int kThreads = 4, kKeys = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            TIniFile ini(path);  // each thread its own reader/writer, like the windows
            for (int k = 0; k < kKeys; ++k)
                ini.WriteInteger("formatInfo" + std::to_string(t), "key" + std::to_string(k), t * 1000 + k);
        });
    }
    for (auto& t : threads) t.join();
    TIniFile ini(path);
    for (int t = 0; t < kThreads; ++t) {
        const std::string section = "formatInfo" + std::to_string(t);
        ASSERT_EQ(ini.ReadSection(section).size(), static_cast<size_t>(kKeys)) << section;
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(ini.ReadInteger(section, "KEY" + std::to_string(k), -1), t * 1000 + k);
    }
}

}  // namespace
