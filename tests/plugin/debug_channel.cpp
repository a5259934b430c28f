// Sorts the shared listener's lines by process and hands them back in the writer's code page.
#include "debug_channel.h"

#include <algorithm>
#include <stdexcept>

namespace qvx::test {

namespace {
std::string toAnsi(const std::wstring& text) {
    auto count = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), count, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), count, out.data(), length, nullptr, nullptr);
    return out;
}
}  // namespace

std::vector<std::string> DebugChannel::take(DWORD pid) {
    if (!channel_.flush()) throw std::runtime_error("the debugger output channel stopped");
    for (host::DebugLine& line : channel_.take()) pending_.push_back(std::move(line));
    std::vector<std::string> lines;
    auto mine = [pid](const host::DebugLine& line) { return line.processId == pid; };
    for (const host::DebugLine& line : pending_)
        if (mine(line)) lines.push_back(toAnsi(line.text));
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(), mine), pending_.end());
    return lines;
}

}  // namespace qvx::test
