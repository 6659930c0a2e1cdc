#include "core/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace pixa;

namespace {

class StopSignalsTest : public ::testing::TestWithParam<int> {};

TEST_P(StopSignalsTest, CallsBackOnItsOwnThreadAndGivesTheSignalBack) {
    const int signal = GetParam();
    struct sigaction before {};
    ::sigaction(signal, nullptr, &before);
    std::mutex mutex;
    std::condition_variable called;
    int got = 0;
    std::thread::id caller;
    {
        const StopSignals signals([&](int n) {
            const std::lock_guard lock(mutex);
            got = n;
            caller = std::this_thread::get_id();
            called.notify_all();
        });
        ASSERT_EQ(::raise(signal), 0);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(called.wait_for(lock, std::chrono::seconds(30), [&] { return got != 0; }));
        EXPECT_EQ(got, signal);
        EXPECT_NE(caller, std::this_thread::get_id());
        EXPECT_EQ(signals.received(), signal);
        EXPECT_THROW(StopSignals([](int) {}), std::logic_error);
    }
    struct sigaction after {};
    ::sigaction(signal, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_P(StopSignalsTest, ASecondSignalEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int signal = GetParam();
    EXPECT_EXIT(
        {
            const StopSignals signals([](int) {});
            ::raise(signal);
            ::raise(signal);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(signal), "");
}

INSTANTIATE_TEST_SUITE_P(EachStopSignal, StopSignalsTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP));

} // namespace
