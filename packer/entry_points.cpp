// The handles a host holds, checked on every call, and the calls' common part.
#include "packer/entry_points.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <mutex>
#include <new>
#include <string_view>
#include <type_traits>

#include "base/ansi_text.h"
#include "base/trace.h"

namespace qvx::packer {

namespace {

// Every open session by its handle: a handle the host closed already, or never had, is refused
// rather than followed.
struct Sessions {
    std::mutex lock;
    std::map<void*, std::unique_ptr<PackerSession>> open;
};

Sessions& sessions() {
    static Sessions all;
    return all;
}

PackerSession* find(void* handle) {
    Sessions& all = sessions();
    std::lock_guard<std::mutex> hold(all.lock);
    const auto found = all.open.find(handle);
    return found == all.open.end() ? nullptr : found->second.get();
}

std::string_view asText(const std::string& text) {
    return text;
}

std::u16string_view asText(const std::u16string& text) {
    return text;
}

// The documented fields of any of the three records; names through convert (to the 8-bit text
// of the record, or none for UTF-16).
template <typename Header, typename Convert>
void putHeader(Header& header, const PackerSession& session, const HeaderFields& fields,
               Convert convert) {
    putText(header.arcName, std::size(header.arcName), asText(convert(session.path)));
    putText(header.fileName, std::size(header.fileName), asText(convert(fields.fileName)));
    header.flags = 0;
    header.hostOS = 0;
    header.fileCRC = 0;
    header.fileTime = fields.fileTime;
    header.unpVer = 0;
    header.method = 0;
    header.fileAttr = static_cast<std::int32_t>(fields.fileAttr);
    if constexpr (std::is_same_v<Header, HeaderData>) {
        header.packSize = header.unpSize =
            static_cast<std::int32_t>(std::min<std::uint64_t>(fields.size, INT32_MAX));
    } else {
        header.packSize = header.unpSize = static_cast<std::uint32_t>(fields.size);
        header.packSizeHigh = header.unpSizeHigh = static_cast<std::uint32_t>(fields.size >> 32);
    }
}

// The next header into the host's record, or the code that ends the list.
template <typename Header, typename Convert>
std::int32_t nextHeader(void* handle, Header* header, Convert convert) {
    try {
        PackerSession* session = find(handle);
        if (session == nullptr || header == nullptr) return kBadArchive;
        HeaderFields fields;
        const std::int32_t result = readNextHeader(*session, fields);
        if (result == kOk) putHeader(*header, *session, fields, convert);
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (...) {
        return kBadArchive;
    }
}

}  // namespace

void* openHandle(const std::u16string& path, std::int32_t mode, std::int32_t& openResult) {
    try {
        std::unique_ptr<PackerSession> session = openSession(path, mode, openResult);
        if (!session) return nullptr;
        void* handle = session.get();
        Sessions& all = sessions();
        std::lock_guard<std::mutex> hold(all.lock);
        all.open.emplace(handle, std::move(session));
        return handle;
    } catch (const std::bad_alloc&) {
        openResult = kNoMemory;
    } catch (...) {
        openResult = kBadArchive;
    }
    return nullptr;
}

std::int32_t readHeader(void* handle, HeaderData* header) {
    return nextHeader(handle, header, toAnsi);
}

std::int32_t readHeaderEx(void* handle, HeaderDataEx* header) {
    return nextHeader(handle, header, toAnsi);
}

std::int32_t readHeaderExW(void* handle, HeaderDataExW* header) {
    return nextHeader(handle, header, [](const std::u16string& text) { return text; });
}

std::int32_t processHandle(void* handle, std::int32_t operation,
                           const std::u16string& destination) {
    try {
        PackerSession* session = find(handle);
        return session == nullptr ? kBadArchive : processFile(*session, operation, destination);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (...) {
        return kBadData;
    }
}

std::int32_t closeHandle(void* handle) {
    try {
        std::unique_ptr<PackerSession> closing;
        {
            Sessions& all = sessions();
            std::lock_guard<std::mutex> hold(all.lock);
            const auto found = all.open.find(handle);
            if (found == all.open.end()) return kBadArchive;
            closing = std::move(found->second);
            all.open.erase(found);
        }
        logDebug(u"CloseArchive");
        return kOk;
    } catch (...) {
        return kBadArchive;
    }
}

void setProgress(void* handle, ProgressReport report, bool wide) {
    try {
        PackerSession* session = find(handle);
        if (session == nullptr || (session->wideProgress && !wide)) return;
        session->progress = std::move(report);
        session->wideProgress = wide;
    } catch (...) {
    }
}

}  // namespace qvx::packer
