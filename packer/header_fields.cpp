// The header facts of one file, and the bounded copies into the host's records.
#include "packer/header_fields.h"

#include <algorithm>
#include <limits>

#include "packer/wcx_interface.h"

namespace qvx::packer {

namespace {

constexpr int kDosFirstYear = 1980;
constexpr int kDosLastYear = kDosFirstYear + 127;
constexpr std::uint32_t kDosFirst = (1u << 5 | 1u) << 16;
constexpr std::uint32_t kDosLast = (127u << 9 | 12u << 5 | 31u) << 16 | 23u << 11 | 59u << 5 | 29u;

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::uint32_t dosDateTime(const std::tm& calendar) {
    const int year = calendar.tm_year + 1900;
    if (year < kDosFirstYear) return kDosFirst;
    if (year > kDosLastYear) return kDosLast;
    const auto field = [](int value, int low, int high) {
        return static_cast<std::uint32_t>(std::clamp(value, low, high));
    };
    const std::uint32_t date = static_cast<std::uint32_t>(year - kDosFirstYear) << 9 |
                               field(calendar.tm_mon + 1, 1, 12) << 5 |
                               field(calendar.tm_mday, 1, 31);
    const std::uint32_t time = field(calendar.tm_hour, 0, 23) << 11 |
                               field(calendar.tm_min, 0, 59) << 5 |
                               field(calendar.tm_sec, 0, 59) / 2;
    return date << 16 | time;
}

std::tm localCalendar(std::int64_t unixSeconds) {
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm calendar{};
#ifdef _WIN32
    const bool known = localtime_s(&calendar, &seconds) == 0;
#else
    const bool known = localtime_r(&seconds, &calendar) != nullptr;
#endif
    if (known) return calendar;
    std::tm epoch{};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    return epoch;
}

HeaderFields headerFields(const ArchiveFile& file, HostSystem host) {
    HeaderFields fields;
    fields.fileName = file.hostName;
    fields.size = file.size;
    if (host == HostSystem::Windows) {
        fields.fileTime = static_cast<std::int32_t>(dosDateTime(localCalendar(file.time)));
        fields.fileAttr = kWindowsArchive | (file.locked ? kWindowsReadOnly : 0);
    } else {
        fields.fileTime = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(file.time, 0, std::numeric_limits<std::int32_t>::max()));
        fields.fileAttr = file.locked ? kUnixReadOnlyFile : kUnixFile;
    }
    return fields;
}

void putText(char16_t* buffer, std::size_t n, std::u16string_view text) {
    if (n == 0) return;
    std::size_t length = std::min(text.size(), n - 1);
    if (length < text.size() && length > 0 && text[length - 1] >= 0xD800 &&
        text[length - 1] <= 0xDBFF)
        --length;
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = 0;
}

void putText(char* buffer, std::size_t n, std::string_view text) {
    if (n == 0) return;
    std::size_t length = std::min(text.size(), n - 1);
    if (length < text.size())
        while (length > 0 && isUtf8Continuation(text[length])) --length;
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = 0;
}

}  // namespace qvx::packer
