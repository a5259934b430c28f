// A small pool of workers filling a ring of result slots, and the caller emptying it in order.
#include "cli/ordered_work.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qvx::cli {

void runInOrder(std::size_t count, unsigned threads, const Work& work, const Deliver& deliver,
                const Waiting& waiting) {
    if (threads <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            ImageResult result = work(i);
            deliver(result);
        }
        return;
    }

    const std::size_t window = std::size_t{64} * threads;
    std::vector<std::optional<ImageResult>> slots(window);
    std::mutex mutex;
    std::condition_variable ready;  // the result the caller waits for is there
    std::condition_variable room;   // a slot was emptied, or the run ends
    std::size_t next = 0;
    std::size_t delivered = 0;
    bool stop = false;

    auto worker = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            room.wait(lock, [&] { return stop || next >= count || next < delivered + window; });
            if (stop || next >= count) return;
            const std::size_t i = next++;
            lock.unlock();
            ImageResult result = work(i);
            lock.lock();
            slots[i % window] = std::move(result);
            if (i == delivered) ready.notify_one();
        }
    };

    // Joins the workers however the caller's loop ends, a throwing deliver included.
    struct Pool {
        std::vector<std::thread> threads;
        std::function<void()> stopAll;
        ~Pool() {
            stopAll();
            for (std::thread& t : threads) t.join();
        }
    } pool{{}, [&] {
               {
                   std::lock_guard<std::mutex> lock(mutex);
                   stop = true;
               }
               room.notify_all();
           }};
    for (unsigned t = 0; t < threads; ++t) pool.threads.emplace_back(worker);

    std::unique_lock<std::mutex> lock(mutex);
    while (delivered < count) {
        std::optional<ImageResult>& slot = slots[delivered % window];
        if (!ready.wait_for(lock, std::chrono::milliseconds(100),
                            [&slot] { return slot.has_value(); })) {
            lock.unlock();
            waiting(delivered);
            lock.lock();
            continue;
        }
        ImageResult result = std::move(*slot);
        slot.reset();
        ++delivered;
        lock.unlock();
        room.notify_all();
        deliver(result);
        lock.lock();
    }
}

}  // namespace qvx::cli
