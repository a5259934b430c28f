// The packer's work on one image, shared by the Windows and the Linux module.
#include "packer/session.h"

#include <algorithm>

#include "base/text.h"
#include "base/trace.h"
#include "disk/detect.h"
#include "disk/directory.h"
#include "packer/settings.h"
#include "packer/wcx_interface.h"
#include "render/detect_extensions.h"
#include "render/load.h"

namespace qvx::packer {

namespace {

// The bytes of a file are reported in parts of this size, so that a host's Abort is seen within
// a large file too.
constexpr std::size_t kProgressStep = 32 * 1024;

// False as soon as the host says abort. An empty file is reported once, with 0 bytes.
bool reportProgress(const PackerSession& session, const std::u16string& name, std::size_t size) {
    if (!session.progress) return true;
    std::size_t done = 0;
    do {
        const std::size_t part = std::min(kProgressStep, size - done);
        if (!session.progress(name, static_cast<std::int32_t>(part))) return false;
        done += part;
    } while (done < size);
    return true;
}

std::u16string unreadableText(const std::vector<BadSector>& sectors) {
    std::u16string text;
    for (const BadSector& s : sectors)
        text += joined({text.empty() ? u"" : u", ", decimal(s.track), u"/", decimal(s.sector),
                        u" code ", decimal(s.code)});
    return text;
}

}  // namespace

std::unique_ptr<PackerSession> openSession(const std::u16string& path, std::int32_t mode,
                                           std::int32_t& result) {
    logCall(u"OpenArchive", path, mode);
    auto session = std::make_unique<PackerSession>();
    session->path = path;
    if (!openArchive(path, currentOptions(), session->archive)) {
        logDebug(u"OpenArchive - no readable image, result=" + decimal(kUnknownFormat));
        result = kUnknownFormat;
        return nullptr;
    }
    logDebug(u"OpenArchive - " + decimal(static_cast<std::int64_t>(session->archive.files.size())) +
             u" files");
    result = kOk;
    return session;
}

std::int32_t readNextHeader(PackerSession& session, HeaderFields& fields) {
    const auto& files = session.archive.files;
    if (session.headersRead >= files.size()) {
        session.headersRead = files.size() + 1;  // ProcessFile has no file now
        return kEndArchive;
    }
    fields = headerFields(files[session.headersRead], kThisHost);
    ++session.headersRead;
    return kOk;
}

std::int32_t processFile(PackerSession& session, std::int32_t operation,
                         const std::u16string& destination) {
    if (operation == kSkip) return kOk;
    const auto& files = session.archive.files;
    if (session.headersRead == 0 || session.headersRead > files.size()) return kEndArchive;
    const std::size_t index = session.headersRead - 1;
    const ArchiveFile& file = files[index];
    const std::u16string& name = operation == kExtract ? destination : file.hostName;
    logCall(u"ProcessFile", name, operation);
    if (operation != kTest && operation != kExtract) return kNotSupported;

    const std::vector<std::uint8_t> bytes = readArchiveFile(session.archive, index);
    if (!reportProgress(session, name, bytes.size())) {
        logDebug(u"ProcessFile - aborted");
        return kAborted;
    }
    if (operation == kExtract) {
        const std::string failure = writeHostFile(destination, bytes, file.time, file.locked, true);
        if (!failure.empty()) {
            logDebug(u"ProcessFile - cannot write: " + fromUtf8(failure));
            return kCannotCreate;
        }
    }
    const std::u16string size = decimal(static_cast<std::int64_t>(bytes.size())) + u" bytes";
    if (file.damage != ChainDamage::None) {
        logDebug(
            joined({u"ProcessFile - ", size, u", damaged: ", fromUtf8(damageText(file.damage))}));
        return kBadData;
    }
    if (!file.unreadable.empty()) {
        logDebug(joined({u"ProcessFile - ", size, u", through sectors a drive could not read: ",
                         unreadableText(file.unreadable)}));
        return kBadData;
    }
    logDebug(u"ProcessFile - " + size + (file.unclosed ? u", never closed" : u""));
    return kOk;
}

std::u16string destinationOf(std::u16string_view destPath, std::u16string_view destName,
                             char16_t separator) {
    if (destPath.empty()) return std::u16string(destName);
    std::u16string path(destPath);
    if (path.back() != separator) path += separator;
    return path.append(destName);
}

bool canHandle(const std::u16string& path) {
    logCall(u"CanYouHandleThisFile", path, 0);
    bool readable = false;
    if (isDetectedExtension(fileExtension(path))) {
        DiskImage image;
        getDirEntries(path, image);
        readable = isReadableImage(image);
    }
    logDebug(readable ? u"CanYouHandleThisFile - yes" : u"CanYouHandleThisFile - no");
    return readable;
}

}  // namespace qvx::packer
