// The control's clipboard callback and the data object it hands out; the readable text of a
// range of the window.
#include "plugin/clipboard.h"

#include <ole2.h>
#include <richedit.h>
// The interface identifiers of the rich edit control's OLE interfaces are defined here.
#include <initguid.h>
#include <richole.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "base/win32_clipboard.h"
#include "base/win32_richedit.h"
#include "plugin/viewer.h"
#include "render/unicode_text.h"

namespace qvx {

namespace {

// The text of range as the clipboard gets it; the end -1 is the end of the text.
std::u16string readableRange(HWND viewer, CHARRANGE range) {
    const std::u16string text = richEditText(viewer);
    const std::size_t end =
        range.cpMax < 0 ? text.size() : std::min<std::size_t>(range.cpMax, text.size());
    const std::size_t begin = std::min<std::size_t>(std::max<LONG>(range.cpMin, 0), end);
    // A control that counts CR LF as its line break gives both back: one break each.
    std::u16string part;
    part.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] != u'\n' || i == 0 || text[i - 1] != u'\r') part += text[i];
    }
    return readableText(part, u"\r\n");
}

// The data objects outlive the copy on the clipboard, which may call them after the host has
// unloaded the module, up to the end of the process: from the first one on the module stays.
// Pinning again changes nothing, so no once-only guard is needed.
void keepModuleLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&keepModuleLoaded), &self);
}

// Reference counting for the objects the control and the clipboard hold: the last Release frees.
// They live on the thread of the window, the only one that calls them.
template <typename Interface>
class Counted : public Interface {
  public:
    Counted() = default;
    virtual ~Counted() = default;
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) std::unique_ptr<Counted> last(this);
        return left;
    }

  protected:
    // Answers for IUnknown and the one interface the object is.
    HRESULT answer(REFIID iid, REFIID own, void** object) {
        if (object == nullptr) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, own)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

  private:
    ULONG references_ = 1;
};

// A new object with the one reference its taker holds.
template <typename Object, typename... Arguments>
Object* handOut(Arguments&&... arguments) {
    return std::make_unique<Object>(std::forward<Arguments>(arguments)...).release();
}

FORMATETC unicodeTextFormat() {
    return FORMATETC{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The one format of the data objects.
class FormatList final : public Counted<IEnumFORMATETC> {
  public:
    explicit FormatList(ULONG next = 0) : next_(next) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, IID_IEnumFORMATETC, object);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* formats, ULONG* fetched) override {
        if (formats == nullptr || (count > 1 && fetched == nullptr)) return E_INVALIDARG;
        ULONG given = 0;
        for (; given < count && next_ < kFormats; ++given, ++next_)
            formats[given] = unicodeTextFormat();
        if (fetched != nullptr) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const bool enough = count <= kFormats - next_;
        next_ = enough ? next_ + count : kFormats;
        return enough ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** copy) override {
        if (copy == nullptr) return E_POINTER;
        *copy = handOut<FormatList>(next_);
        return S_OK;
    }

  private:
    static constexpr ULONG kFormats = 1;
    ULONG next_;
};

// One copy's text, as often as it is asked for.
class TextData final : public Counted<IDataObject> {
  public:
    explicit TextData(std::u16string text) : text_(std::move(text)) { keepModuleLoaded(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, IID_IDataObject, object);
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (medium == nullptr) return E_INVALIDARG;
        const HRESULT offered = QueryGetData(format);
        if (offered != S_OK) return offered;
        GlobalMemory memory = globalText(text_);
        if (!memory) return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory.release();  // the caller's now
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (format == nullptr) return E_INVALIDARG;
        if (format->cfFormat != CF_UNICODETEXT) return DV_E_FORMATETC;
        if ((format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
        if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        return format->lindex == -1 ? S_OK : DV_E_LINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out != nullptr) out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
        if (formats == nullptr) return E_POINTER;
        *formats = direction == DATADIR_GET ? handOut<FormatList>() : nullptr;
        return *formats != nullptr ? S_OK : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

  private:
    std::u16string text_;
};

// Everything but the clipboard data is left to the control's defaults.
class CopyCallback final : public Counted<IRichEditOleCallback> {
  public:
    explicit CopyCallback(HWND viewer) : viewer_(viewer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, IID_IRichEditOleCallback, object);
    }
    HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE* range, DWORD,
                                               LPDATAOBJECT* data) override {
        if (range == nullptr || data == nullptr) return E_INVALIDARG;
        *data = nullptr;
        try {
            *data = handOut<TextData>(readableRange(viewer_, *range));
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU* menu) override {
        if (menu != nullptr) *menu = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetNewStorage(LPSTORAGE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInPlaceContext(LPOLEINPLACEFRAME*, LPOLEINPLACEUIWINDOW*,
                                                LPOLEINPLACEFRAMEINFO) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ShowContainerUI(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInsertObject(LPCLSID, LPSTORAGE, LONG) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteObject(LPOLEOBJECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD, BOOL,
                                              HGLOBAL) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDragDropEffect(BOOL, DWORD, LPDWORD) override { return E_NOTIMPL; }

  private:
    HWND viewer_;
};

}  // namespace

void takeOverCopies(HWND viewer) {
    CopyCallback* callback = handOut<CopyCallback>(viewer);
    // The control takes a reference of its own.
    SendMessageW(viewer, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback));
    callback->Release();
}

bool copySelection(HWND viewer) {
    CHARRANGE range{};
    SendMessageW(viewer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMin == range.cpMax) return true;
    return putClipboardText(viewer, readableRange(viewer, range));
}

}  // namespace qvx
