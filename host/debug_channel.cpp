// The DBWIN_BUFFER listener: writers wait for BUFFER_READY, fill the 4096-byte buffer (process id,
// then the ANSI text) and signal DATA_READY; the listener copies the line and signals BUFFER_READY
// again, so no line can overwrite one that has not been read.
#include "host/debug_channel.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "host/wide_text.h"

namespace qvx::host {

namespace {

constexpr DWORD kBufferSize = 4096;
constexpr wchar_t kRoleMutexName[] = L"QvxHostDebugChannelListener";

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("debug channel: " + what + " (error " +
                             std::to_string(GetLastError()) + ")");
}

// Creates a named object and insists that this call made it: an existing one belongs to a
// listener outside our control, which would take lines away from us.
template <typename Create>
KernelHandle createOwn(Create create, const char* name) {
    HANDLE h = create();
    DWORD error = GetLastError();
    KernelHandle owned(h);
    if (!h) fail(std::string("cannot create ") + name);
    if (error == ERROR_ALREADY_EXISTS)
        throw std::runtime_error(std::string("debug channel: ") + name +
                                 " already exists: another debug output listener is running");
    return owned;
}

}  // namespace

DebugChannel::DebugChannel() {
    roleMutex_.reset(CreateMutexW(nullptr, FALSE, kRoleMutexName));
    if (!roleMutex_) fail("cannot create the listener mutex");
    DWORD wait = WaitForSingleObject(roleMutex_.get(), INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) fail("cannot take the listener role");
    roleHeld_ = true;

    try {
        bufferReady_ =
            createOwn([] { return CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"); },
                      "DBWIN_BUFFER_READY");
        dataReady_ =
            createOwn([] { return CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"); },
                      "DBWIN_DATA_READY");
        mapping_ = createOwn(
            [] {
                return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          kBufferSize, L"DBWIN_BUFFER");
            },
            "DBWIN_BUFFER");
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferSize));
        if (!view_) fail("cannot map DBWIN_BUFFER");
        stopEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!stopEvent_) fail("cannot create the stop event");

        running_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!running_) fail("cannot create the start event");

        markerPrefix_ = "qvxhost flush " + std::to_string(GetCurrentProcessId()) + " ";
        thread_ = std::thread([this] { listen(); });
        // A new thread takes the loader lock while it starts up. Until it has, a line written
        // from a DLL entry point (loader lock held, waiting for the buffer) would stall both.
        WaitForSingleObject(running_.get(), INFINITE);
    } catch (...) {
        ReleaseMutex(roleMutex_.get());
        roleHeld_ = false;
        throw;
    }
}

DebugChannel::~DebugChannel() {
    stop();
    // The named objects must be gone before the next listener takes the role.
    view_.reset();
    mapping_.reset();
    dataReady_.reset();
    bufferReady_.reset();
    if (roleHeld_) ReleaseMutex(roleMutex_.get());
}

void DebugChannel::stop() {
    if (!thread_.joinable()) return;
    SetEvent(stopEvent_.get());
    thread_.join();
}

void DebugChannel::listen() {
    const auto* buffer = static_cast<const char*>(view_.get());
    const DWORD self = GetCurrentProcessId();
    HANDLE waits[] = {dataReady_.get(), stopEvent_.get()};
    SetEvent(bufferReady_.get());
    SetEvent(running_.get());
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        DWORD pid = 0;
        std::memcpy(&pid, buffer, sizeof pid);
        const char* text = buffer + sizeof pid;
        std::size_t size = strnlen(text, kBufferSize - sizeof pid);
        std::string_view raw(text, size);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pid == self && raw.substr(0, markerPrefix_.size()) == markerPrefix_) {
                ++markersSeen_;
            } else {
                lines_.push_back({pid, fromAnsi(std::string(raw))});
            }
        }
        arrived_.notify_all();
        SetEvent(bufferReady_.get());
    }
}

bool DebugChannel::flush(DWORD timeoutMs) {
    std::uint64_t target = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        target = ++markersSent_;
    }
    std::string marker = markerPrefix_ + std::to_string(target);
    OutputDebugStringA(marker.c_str());
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return markersSeen_ >= target; });
}

std::vector<DebugLine> DebugChannel::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<DebugLine> out;
    out.swap(lines_);
    return out;
}

}  // namespace qvx::host
