// What one header tells the host about a file of the image, in the host system's conventions, and
// how it goes into the interface's fixed-size records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "extract/archive.h"

namespace qvx::packer {

// Windows hosts take DOS local times and FILE_ATTRIBUTE_* bits; others Unix seconds and modes.
enum class HostSystem : std::uint8_t { Windows, Unix };

#ifdef _WIN32
constexpr HostSystem kThisHost = HostSystem::Windows;
#else
constexpr HostSystem kThisHost = HostSystem::Unix;
#endif

struct HeaderFields {
    std::u16string fileName;
    std::uint64_t size = 0;
    std::int32_t fileTime = 0;
    std::uint32_t fileAttr = 0;
};

// The DOS date and time of a calendar time: bits 25-31 the year from 1980, then month, day, hour,
// minute and the seconds halved. Times before 1980 give 1980-01-01 00:00:00, after 2107 its last
// second.
std::uint32_t dosDateTime(const std::tm& calendar);

// The calendar time in the system's time zone of Unix seconds (UTC); 1970-01-01 where the system
// cannot tell.
std::tm localCalendar(std::int64_t unixSeconds);

// The facts of one file: its host name, its exact size, the time (DOS local on Windows, else Unix
// seconds within 0 to 2^31-1) and the attributes (read-only for a locked file).
HeaderFields headerFields(const ArchiveFile& file, HostSystem host);

// Copies text into a zero-terminated buffer of n units, cut where it must be so that no character
// is split (a UTF-16 surrogate pair, a UTF-8 sequence). Nothing for n of 0.
void putText(char16_t* buffer, std::size_t n, std::u16string_view text);
void putText(char* buffer, std::size_t n, std::string_view text);

}  // namespace qvx::packer
