// The listener's side of the DBWIN protocol: signal "buffer ready", wait for "data ready", copy
// the process id and the text, and again.
#include "debug_channel.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace qvx::test {

namespace {

constexpr DWORD kBufferSize = 4096;
constexpr std::size_t kTextSize = kBufferSize - sizeof(DWORD);
// Written by sync(); never a trace line, since those start with "QVX: ".
constexpr char kMark[] = "debug-channel mark";
// Only a safety net against a hung writer: a mark normally arrives at once.
constexpr auto kMarkPatience = std::chrono::seconds(30);

HANDLE newEvent(const wchar_t* name) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name);
    if (event != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(event);
        throw std::runtime_error("another program listens on the debugger output channel");
    }
    if (event == nullptr) throw std::runtime_error("cannot create the DBWIN events");
    return event;
}

}  // namespace

DebugChannel::DebugChannel()
    : bufferReady_(newEvent(L"DBWIN_BUFFER_READY")),
      dataReady_(newEvent(L"DBWIN_DATA_READY")),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize,
                                  L"DBWIN_BUFFER")) {
    if (!stop_ || !mapping_) throw std::runtime_error("cannot create the DBWIN buffer");
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferSize));
    if (!view_) throw std::runtime_error("cannot map the DBWIN buffer");
    listener_ = std::thread([this] { listen(); });
}

DebugChannel::~DebugChannel() {
    SetEvent(stop_.get());
    if (listener_.joinable()) listener_.join();
}

void DebugChannel::listen() {
    const auto* buffer = static_cast<const char*>(view_.get());
    HANDLE waitOn[] = {dataReady_.get(), stop_.get()};
    for (;;) {
        SetEvent(bufferReady_.get());
        if (WaitForMultipleObjects(2, waitOn, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        Line line;
        std::memcpy(&line.pid, buffer, sizeof line.pid);
        const char* text = buffer + sizeof(DWORD);
        line.text.assign(text, strnlen(text, kTextSize));
        std::lock_guard<std::mutex> lock(mutex_);
        if (line.pid == GetCurrentProcessId() && line.text == kMark) {
            ++marksSeen_;
        } else {
            lines_.push_back(std::move(line));
        }
        arrived_.notify_all();
    }
}

void DebugChannel::sync() {
    std::uint64_t mark;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        mark = ++marksSent_;
    }
    // A writer waits for the listener to have taken the line before, so the mark comes last.
    OutputDebugStringA(kMark);
    std::unique_lock<std::mutex> lock(mutex_);
    if (!arrived_.wait_for(lock, kMarkPatience, [&] { return marksSeen_ >= mark; }))
        throw std::runtime_error("the debugger output channel does not answer");
}

std::vector<std::string> DebugChannel::take(DWORD pid) {
    sync();
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken;
    std::vector<Line> kept;
    for (Line& line : lines_) {
        if (line.pid == pid) {
            taken.push_back(std::move(line.text));
        } else {
            kept.push_back(std::move(line));
        }
    }
    lines_ = std::move(kept);
    return taken;
}

}  // namespace qvx::test
