// Listens to the debugger output of the session (the DBWIN_BUFFER shared-memory protocol) on a
// thread of its own, so that a process can read back the lines it writes with OutputDebugString.
//
// One listener per session: the constructor waits while another DebugChannel holds the role
// (tests running in parallel then take turns) and fails when a foreign listener is running.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/win_handle.h"

namespace qvx::host {

struct DebugLine {
    std::uint32_t processId;
    // Decoded from the system ANSI code page, which the buffer carries: OutputDebugStringW
    // converts to it, so characters the code page lacks arrive as '?'.
    std::wstring text;
};

class DebugChannel {
  public:
    // Becomes the session's listener and starts receiving; throws std::runtime_error on failure.
    DebugChannel();
    // Stops the listener thread and gives the role up.
    ~DebugChannel();
    DebugChannel(const DebugChannel&) = delete;
    DebugChannel& operator=(const DebugChannel&) = delete;

    // Returns once every line this process wrote before the call has been received: a marker line
    // is written after them, and the buffer hands lines over one at a time. False when the marker
    // did not come back within the timeout (the channel is then not delivering).
    bool flush(DWORD timeoutMs = 30000);

    // The lines received so far, in arrival order (flush markers left out); forgets them.
    std::vector<DebugLine> take();

    // Ends the listener thread; later lines are no longer received. Called by the destructor.
    void stop();

  private:
    void listen();

    KernelHandle roleMutex_;
    bool roleHeld_ = false;
    KernelHandle bufferReady_;
    KernelHandle dataReady_;
    KernelHandle mapping_;
    MappedView view_;
    KernelHandle stopEvent_;
    KernelHandle running_;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<DebugLine> lines_;
    std::string markerPrefix_;
    std::uint64_t markersSeen_ = 0;
    std::uint64_t markersSent_ = 0;
};

}  // namespace qvx::host
