// The listing view: header in reverse video, one line per file, free blocks, type and error info.
#include "render/listing.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "base/trace.h"
#include "disk/format.h"
#include "disk/gcr.h"
#include "render/petscii.h"

namespace qvx {
namespace {

constexpr std::size_t kNameLength = 16;
constexpr std::size_t kBlocksField = 5;
// Header line and the lines after the entries, with room for the longest type line.
constexpr std::size_t kFixedLength = 116;
constexpr std::size_t kEntryLineLength = 29;

// Image bytes as text, one character per byte, ending at the first zero byte.
template <std::size_t N>
std::u16string rawText(const std::array<std::uint8_t, N>& bytes) {
    std::u16string out;
    out.reserve(N);
    for (std::uint8_t b : bytes) {
        if (b == 0) break;
        out += static_cast<char16_t>(b);
    }
    return out;
}

std::u16string headerLine(const DirEntry& header, int charSet) {
    const std::u16string name = rawText(header.name);
    std::u16string inner;
    inner.reserve(kNameLength + 9);
    inner += u'"';
    inner += name;
    inner += u'"';
    inner.append(kNameLength + 1 - name.size(), u' ');
    inner += rawText(header.id);
    inner += u' ';
    inner += rawText(header.dosType);
    return petsciiToFont(inner, 1, charSet);
}

void appendBlocks(std::u16string& out, std::uint16_t blocks) {
    std::u16string number = decimal(static_cast<std::int16_t>(blocks));
    if (number.size() > kBlocksField) number.resize(kBlocksField);
    out += number;
    out.append(kBlocksField - number.size(), u' ');
}

std::u16string_view subTypeSuffix(const DiskImage& image) {
    if (image.type != kTypeD64x40) return u"";
    switch (image.subType) {
        case kSubTypeDolphin:
            return u"(DOLPHIN)";
        case kSubTypeSpeed:
            return u"(SPEED)";
        default:
            return u"(UNKNOWN)";
    }
}

std::u16string diskTypeLine(const DiskImage& image) {
    std::u16string line = u"DISK TYPE: ";
    line.reserve(line.size() + 24);
    // Only -1 is defined as undetermined; any other stray value must not index the table.
    if (isKnownType(image.type)) {
        for (char c : diskTypeName(image.type, image.container)) line += static_cast<char16_t>(c);
    } else {
        line += u"UNKNOWN";
    }
    line += u' ';
    line += subTypeSuffix(image);
    return line;
}

// Whether the image carries error bytes; for a G64, which always does, whether any sector failed.
std::u16string errorInfoLine(const DiskImage& image) {
    if (!listingNeedsErrorBytes(image))
        return image.hasErrorBytes == 1 ? u"ERROR INFO: YES" : u"ERROR INFO: NO";
    const auto failed = std::count_if(image.errorBytes.begin(), image.errorBytes.end(),
                                      [](std::uint8_t code) { return code != kSectorOk; });
    if (failed == 0) return u"ERROR INFO: NO ERRORS";
    return u"ERROR INFO: " + decimal(failed) + (failed == 1 ? u" BAD SECTOR" : u" BAD SECTORS");
}

}  // namespace

bool listingNeedsErrorBytes(const DiskImage& image) {
    return image.container == kContainerG64;
}

void appendEntryLine(std::u16string& text, const DirEntry& entry, int charSet) {
    appendBlocks(text, entry.blocks);
    text += u'"';
    std::size_t nameLength =
        appendFontBytes(text, entry.name.data(), entry.name.size(), 0, charSet);
    text += u'"';
    text.append(kNameLength - nameLength, u' ');
    text += entry.closed == 0 ? u'*' : u' ';
    appendFontBytes(text, entry.fileType.data(), entry.fileType.size(), 0, charSet);
    if (entry.locked != 0) text += u'<';
}

std::u16string setupString(const DiskImage& image, int charSet) {
    if (image.dirEntries.empty()) {
        logDebug(u"setupString - empty list");
        return {};
    }

    std::u16string text;
    text.reserve(kFixedLength + kEntryLineLength * (image.dirEntries.size() - 1));
    text += u'\r';
    text += u"0 ";
    text += headerLine(image.dirEntries.front(), charSet);
    text += u'\r';

    for (std::size_t i = 1; i < image.dirEntries.size(); ++i) {
        const DirEntry& entry = image.dirEntries[i];
        if (entry.fileType[0] == 0) break;  // nothing to show as the type: the entry lines end
        appendEntryLine(text, entry, charSet);
        text += u'\r';
    }

    text += decimal(image.blocksFree);
    text += u" BLOCKS FREE.";
    text += u"\r\r";
    text += petsciiToFont(diskTypeLine(image), 0, charSet);
    text += u'\r';
    text += petsciiToFont(errorInfoLine(image), 0, charSet);
    text += u'\r';
    return text;
}

}  // namespace qvx
