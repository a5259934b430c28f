// runInOrder: results in item order however the threads finish, past the window's wrap; a
// delivery that throws; the waiting callback while the next result is not there.
#include "cli/ordered_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qvx::cli {
namespace {

ImageResult numbered(std::size_t i) {
    // Later items often finish first: the order must come from the pool, not from the timing.
    if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    ImageResult result;
    result.out = std::to_string(i);
    return result;
}

TEST(RunInOrder, DeliversEveryResultInItemOrder) {
    struct Case {
        std::size_t count;
        unsigned threads;
    };
    // The window is 64 results a thread: 300 items on 2 threads wrap it twice.
    const Case cases[] = {{0, 2}, {1, 2}, {5, 1}, {300, 2}, {1000, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " items, " + std::to_string(c.threads) + " threads");
        std::vector<std::string> got;
        runInOrder(
            c.count, c.threads, numbered, [&](ImageResult& r) { got.push_back(r.out); },
            [](std::size_t) {});
        ASSERT_EQ(got.size(), c.count);
        for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], std::to_string(i));
    }
}

TEST(RunInOrder, AThrowingDeliveryEndsTheRunAndJoinsTheWorkers) {
    std::size_t delivered = 0;
    EXPECT_THROW(runInOrder(
                     500, 2, numbered,
                     [&](ImageResult& r) {
                         if (r.out == "150") throw std::runtime_error("stop");
                         ++delivered;
                     },
                     [](std::size_t) {}),
                 std::runtime_error);
    EXPECT_EQ(delivered, 150u);
}

TEST(RunInOrder, WaitingIsCalledWhileTheNextResultIsMissing) {
    std::vector<std::size_t> waits;
    runInOrder(
        3, 2,
        [](std::size_t i) {
            if (i == 1) std::this_thread::sleep_for(std::chrono::milliseconds(350));
            return ImageResult{};
        },
        [](ImageResult&) {}, [&](std::size_t delivered) { waits.push_back(delivered); });
    // Item 0 may be late too on a busy machine; item 1 always is.
    EXPECT_NE(std::find(waits.begin(), waits.end(), 1u), waits.end());
}

}  // namespace
}  // namespace qvx::cli
