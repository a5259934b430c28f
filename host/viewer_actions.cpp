// Find and copy in the plug-in's window, and the beep counter on the plug-in's import table.
#include "host/viewer_actions.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/win32_clipboard.h"
#include "host/wide_text.h"
#include "host/window_probe.h"

namespace qvx::host {

namespace {

using Json = nlohmann::ordered_json;

int beepsHeard = 0;

BOOL WINAPI countBeep(UINT) {
    ++beepsHeard;
    return TRUE;
}

template <typename T>
const T* at(HMODULE module, DWORD offset) {
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + offset);
}

// The import address slot of user32's MessageBeep in the module, or null.
void** messageBeepSlot(HMODULE module) {
    const auto* dos = at<IMAGE_DOS_HEADER>(module, 0);
    const auto* nt = at<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (const auto* d = at<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); d->Name != 0;
         ++d) {
        if (lstrcmpiA(at<char>(module, d->Name), "user32.dll") != 0) continue;
        const auto* names = at<IMAGE_THUNK_DATA>(module, d->OriginalFirstThunk);
        auto* slots = const_cast<IMAGE_THUNK_DATA*>(at<IMAGE_THUNK_DATA>(module, d->FirstThunk));
        for (std::size_t i = 0; names[i].u1.AddressOfData != 0; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            const auto* byName =
                at<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names[i].u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "MessageBeep") == 0)
                return reinterpret_cast<void**>(&slots[i].u1.Function);
        }
    }
    return nullptr;
}

bool replaceSlot(void** slot, void* value) {
    DWORD was = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was)) return false;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, was, &was);
    return true;
}

constexpr char16_t kSentinel[] = u"qvxhost clipboard sentinel";

// The clipboard's text after copy ran on a clipboard holding the sentinel.
template <typename Copy>
Json clipboardAfter(HWND window, Copy copy) {
    Json j;
    j["sentinelSet"] = putClipboardText(window, kSentinel);
    copy(j);
    std::optional<std::u16string> text = clipboardText(window);
    if (text)
        j["clipboard"] = toUtf8(*text);
    else
        j["clipboard"] = nullptr;
    return j;
}

void selectAll(HWND window) {
    SendMessageW(window, EM_SETSEL, 0, -1);
}

// The control's own Ctrl+C: the key with the Control key down in this thread's keyboard state.
void pressCtrlC(HWND window) {
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, 'C', 1);
    SendMessageW(window, WM_KEYUP, 'C', 0xC0000001);
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
}

}  // namespace

FindRequest parseFindRequest(const std::wstring& value) {
    const std::size_t first = value.find(L':');
    const std::size_t second = first == std::wstring::npos ? first : value.find(L':', first + 1);
    if (second == std::wstring::npos) throw std::invalid_argument("needs STEP:FLAGS:TEXT");
    auto number = [&](std::size_t from, std::size_t to, const char* what) {
        const std::wstring digits = value.substr(from, to - from);
        std::size_t used = 0;
        int n = 0;
        try {
            n = std::stoi(digits, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (digits.empty() || used != digits.size())
            throw std::invalid_argument(std::string(what) + " is no number");
        return n;
    };
    FindRequest r;
    r.step = number(0, first, "STEP");
    r.flags = number(first + 1, second, "FLAGS");
    r.text = value.substr(second + 1);
    return r;
}

BeepCounter::BeepCounter(HMODULE plugin) {
    void** slot = messageBeepSlot(plugin);
    if (slot == nullptr) return;
    void* original = *slot;
    if (!replaceSlot(slot, reinterpret_cast<void*>(&countBeep))) return;
    slot_ = slot;
    original_ = original;
}

BeepCounter::~BeepCounter() {
    if (slot_ != nullptr) replaceSlot(slot_, original_);
}

int BeepCounter::count() const {
    return beepsHeard;
}

Json findInView(const ListerPlugin& plugin, HWND window, int step,
                const std::vector<FindRequest>& requests, const BeepCounter& beeps) {
    Json out = Json::array();
    for (const FindRequest& request : requests) {
        if (request.step != step) continue;
        Json j{{"flags", request.flags}, {"text", utf8(request.text)}};
        j["entryPoint"] = plugin.searchEntryPoint() ? Json(plugin.searchEntryPoint()) : Json();
        PluginFileName text(request.text);
        const int beepsBefore = beeps.count();
        std::optional<int> result = plugin.searchText(window, text, request.flags);
        j["result"] = result ? Json(*result) : Json();
        CHARRANGE selection{};
        SendMessageW(window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        j["selection"] = {{"begin", selection.cpMin}, {"end", selection.cpMax}};
        const std::wstring shown = richEditText(window);
        const auto begin = static_cast<std::size_t>(std::max<LONG>(selection.cpMin, 0));
        j["selected"] = utf8(
            begin < shown.size()
                ? shown.substr(begin, static_cast<std::size_t>(selection.cpMax - selection.cpMin))
                : std::wstring());
        j["firstVisibleLine"] = SendMessageW(window, EM_GETFIRSTVISIBLELINE, 0, 0);
        j["beeps"] = beeps.active() ? Json(beeps.count() - beepsBefore) : Json();
        out.push_back(std::move(j));
    }
    return out;
}

Json copyFromView(const ListerPlugin& plugin, HWND window) {
    Json out;
    out["selection"] = clipboardAfter(
        window, [&](Json& j) { j["result"] = plugin.listSendCommand(window, kCommandCopy, 0); });
    out["all"] = clipboardAfter(window, [&](Json& j) {
        selectAll(window);
        j["result"] = plugin.listSendCommand(window, kCommandCopy, 0);
    });
    out["keys"] = clipboardAfter(window, [&](Json&) {
        selectAll(window);
        pressCtrlC(window);
    });
    return out;
}

}  // namespace qvx::host
