// Unicode text on the Windows clipboard, for the module's copies and the host that reads them.
#pragma once

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/win32_handles.h"

namespace qvx {

// The clipboard while it is open; closed again however the holder leaves.
class OpenClipboardGuard {
  public:
    explicit OpenClipboardGuard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardGuard() {
        if (open_) CloseClipboard();
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    explicit operator bool() const { return open_; }

  private:
    bool open_;
};

// The text, zero-terminated, in movable memory as the clipboard and data objects hand it on;
// holds nothing when memory is short.
inline GlobalMemory globalText(std::u16string_view text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* target = memory ? GlobalLock(memory.get()) : nullptr;
    if (target == nullptr) return GlobalMemory();
    std::memcpy(target, text.data(), bytes - sizeof(char16_t));
    std::memset(static_cast<char*>(target) + bytes - sizeof(char16_t), 0, sizeof(char16_t));
    GlobalUnlock(memory.get());
    return memory;
}

// Replaces what the clipboard holds with text (the system adds the 8-bit forms); false when the
// clipboard cannot be had, and then it is left as it was.
inline bool putClipboardText(HWND owner, std::u16string_view text) {
    GlobalMemory memory = globalText(text);
    OpenClipboardGuard clipboard(owner);
    if (!memory || !clipboard || !EmptyClipboard()) return false;
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
    memory.release();  // the clipboard's now
    return true;
}

// The clipboard's Unicode text up to its first zero; nothing when it holds none or cannot be had.
inline std::optional<std::u16string> clipboardText(HWND owner) {
    OpenClipboardGuard clipboard(owner);
    HANDLE data = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const auto* text = data != nullptr ? static_cast<const char16_t*>(GlobalLock(data)) : nullptr;
    if (text == nullptr) return std::nullopt;
    const std::size_t limit = GlobalSize(data) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < limit && text[length] != 0) ++length;
    std::u16string out(text, length);
    GlobalUnlock(data);
    return out;
}

}  // namespace qvx
