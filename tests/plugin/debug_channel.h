// The plug-in tests' view of the debugger output channel: one process's lines as ANSI text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/debug_channel.h"

namespace qvx::test {

class DebugChannel {
  public:
    // The lines process pid wrote since the last take for it, in order. Everything written before
    // the call has arrived when it returns. The channel carries ANSI text: what the writer's code
    // page cannot hold arrives as '?'.
    std::vector<std::string> take(DWORD pid = GetCurrentProcessId());

  private:
    host::DebugChannel channel_;
    std::vector<host::DebugLine> pending_;  // lines of other processes, until asked for
};

}  // namespace qvx::test
