// One opened image as the packer's host holds it: the files, the place in the header walk and the
// host's progress callback. Every handle has one of its own, so hosts may use several at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "extract/archive.h"
#include "packer/header_fields.h"

namespace qvx::packer {

// The host's progress callback: the name of the file in work and the bytes done since the last
// call; false when the user aborted.
using ProgressReport = std::function<bool(const std::u16string& name, std::int32_t bytes)>;

struct PackerSession {
    std::u16string path;  // the image's, as the host named it
    ImageArchive archive;
    std::size_t headersRead = 0;  // the file ProcessFile acts on is the one before this
    ProgressReport progress;      // may be empty
    bool wideProgress = false;    // progress came from the W form, which the 8-bit one leaves
};

// OpenArchive in either mode (the image is read once, whole, either way): a session, or null and
// result set to kUnknownFormat when the file is no readable image.
std::unique_ptr<PackerSession> openSession(const std::u16string& path, std::int32_t mode,
                                           std::int32_t& result);

// ReadHeader: the next file's facts for this host system, or kEndArchive after the last.
std::int32_t readNextHeader(PackerSession& session, HeaderFields& fields);

// ProcessFile for the file of the last header. kSkip does nothing. kTest reads the file, kExtract
// also writes it to destination (overwriting, as the host has asked the user already) with its
// time and read-only flag. Progress is reported before anything is written, so an abort
// (kAborted) leaves no file behind. A damaged file, or one whose chain crosses sectors a drive
// could not read, is written as far as it goes and gives kBadData; a failed write kCannotCreate,
// leaving no partial file.
std::int32_t processFile(PackerSession& session, std::int32_t operation,
                         const std::u16string& destination);

// The file ProcessFile writes: destName alone when destPath is empty (the host's usual call), else
// destName inside destPath.
std::u16string destinationOf(std::u16string_view destPath, std::u16string_view destName,
                             char16_t separator);

// CanYouHandleThisFile: whether the lister would show the file, by its extension and as a readable
// image.
bool canHandle(const std::u16string& path);

}  // namespace qvx::packer
