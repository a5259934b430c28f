// Listens on the system debugger output channel (the DBWIN_BUFFER shared memory) and keeps every
// line written there, with the id of the process that wrote it.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plugin/win32_handles.h"

namespace qvx::test {

class DebugChannel {
  public:
    // Takes the channel for this process; throws when another listener already has it.
    DebugChannel();
    ~DebugChannel();
    DebugChannel(const DebugChannel&) = delete;
    DebugChannel& operator=(const DebugChannel&) = delete;

    // The lines process pid wrote since the last take for it, in order. Everything written before
    // the call, by any process, has arrived when it returns. The channel carries ANSI text: what
    // the writer's code page cannot hold arrives as '?'.
    std::vector<std::string> take(DWORD pid = GetCurrentProcessId());

  private:
    struct Line {
        DWORD pid;
        std::string text;
    };

    void listen();
    void sync();

    KernelHandle bufferReady_;
    KernelHandle dataReady_;
    KernelHandle stop_;
    KernelHandle mapping_;
    MappedView view_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Line> lines_;
    std::uint64_t marksSeen_ = 0;
    std::uint64_t marksSent_ = 0;
    std::thread listener_;
};

}  // namespace qvx::test
