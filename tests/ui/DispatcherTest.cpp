#include "UiTestSupport.h"

#include "ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <QTest>
#include <atomic>
#include <stdexcept>
#include <thread>

using quorvia::ui::TQtDispatcher;

namespace {

TEST(QtDispatcher, OnTheUserInterfaceThreadRunsAtOnce)
{
    TQtDispatcher d;
    EXPECT_TRUE(d.IsMainThread());
    bool ran = false;
    d.RunAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);  // no event loop was needed
}

TEST(QtDispatcher, FromAWorkerRunsOnTheUserInterfaceThreadAndWaits)
{
    TQtDispatcher d;
    QThread* const gui = QThread::currentThread();
    std::atomic<bool> done{false}, workerIsMain{true};
    QThread* ranOn = nullptr;
    int value = 0;
    bool sawValue = false;
    std::thread worker([&] {
        workerIsMain = d.IsMainThread();
        for (int i = 1; i <= 3; ++i) {
            d.RunAndWait([&, i] {
                ranOn = QThread::currentThread();
                value = i;
            });
        }
        sawValue = value == 3;  // the call returned only after the function ran
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_FALSE(workerIsMain);
    EXPECT_EQ(ranOn, gui);
    EXPECT_TRUE(sawValue);
}

TEST(QtDispatcher, ExceptionReachesTheCallingThread)
{
    TQtDispatcher d;
    std::atomic<bool> done{false};
    std::string caught;
    std::thread worker([&] {
        try {
            d.RunAndWait([] { throw std::runtime_error("from the user-interface thread"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(caught, "from the user-interface thread");
}

}  // namespace
