// The packer's entry points once the platform's calling convention and string types are dealt
// with: the exports of either module forward here. Nothing thrown gets past these.
#pragma once

#include <cstdint>
#include <string>

#include "packer/session.h"
#include "packer/wcx_interface.h"

namespace qvx::packer {

// A new session's handle, or null with openResult set (kUnknownFormat, kNoMemory).
void* openHandle(const std::u16string& path, std::int32_t mode, std::int32_t& openResult);

// ReadHeader, ReadHeaderEx and ReadHeaderExW: fill only the fields the interface documents, leave
// the comment fields and Reserved as the host gave them. kBadArchive for an unknown handle.
std::int32_t readHeader(void* handle, HeaderData* header);
std::int32_t readHeaderEx(void* handle, HeaderDataEx* header);
std::int32_t readHeaderExW(void* handle, HeaderDataExW* header);

// ProcessFile(W), once the destination is joined (destinationOf).
std::int32_t processHandle(void* handle, std::int32_t operation, const std::u16string& destination);

// CloseArchive: ends the session; kBadArchive for a handle that is none (or closed already).
std::int32_t closeHandle(void* handle);

// SetProcessDataProc(W): the W form's report replaces the 8-bit one's, never the other way.
// Unknown handles (a host's -1 for "all") are ignored.
void setProgress(void* handle, ProgressReport report, bool wide);

}  // namespace qvx::packer
