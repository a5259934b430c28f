// Reads a single file whole, unwrapping a PC64 container.
#include "disk/program_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "disk/detect.h"
#include "disk/file.h"

namespace qvx {
namespace {

// "C64File", a zero, the 16-byte name, a zero and the REL record size; the data starts after it.
constexpr std::string_view kPc64Signature{"C64File\0", 8};
constexpr std::size_t kPc64HeaderSize = 0x1A;

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

FileKind fileKindOfExtension(const std::u16string& extension) {
    if (extension.size() != 3) return kFileNone;
    const char16_t first = asciiUpper(extension[0]);
    if (isDigit(extension[1]) && isDigit(extension[2])) {
        if (first == u'P') return kFileProgram;
        return first == u'S' || first == u'U' || first == u'R' ? kFileData : kFileNone;
    }
    auto packed = [](char16_t a, char16_t b, char16_t c) {
        return std::uint64_t{a} << 32 | std::uint64_t{asciiUpper(b)} << 16 | asciiUpper(c);
    };
    const std::uint64_t name = packed(first, extension[1], extension[2]);
    if (name == packed('P', 'R', 'G')) return kFileProgram;
    return name == packed('S', 'E', 'Q') || name == packed('U', 'S', 'R') ? kFileData : kFileNone;
}

bool readProgramFile(const std::u16string& path, DiskImage& image) {
    const std::u16string extension = fileExtension(path);
    const FileKind kind = fileKindOfExtension(extension);
    if (kind == kFileNone) return false;
    ImageFile file(path);
    std::int64_t left = file.size();
    if (left < 0) return false;
    const bool pc64 = isDigit(extension[1]);  // PRG, SEQ and USR have letters there
    if (pc64) {
        std::array<std::uint8_t, kPc64HeaderSize> header{};
        if (file.read(header.data(), header.size()) != header.size() ||
            !std::equal(kPc64Signature.begin(), kPc64Signature.end(), header.begin()))
            return false;
        left -= static_cast<std::int64_t>(kPc64HeaderSize);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(
        std::min<std::int64_t>(std::max<std::int64_t>(left, 0), kMaxFileBytes)));
    // Cut to what arrived; a resize would bring in the growing half as well.
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(file.read(bytes.data(), bytes.size())),
                bytes.end());
    image.type = kTypeUnknown;
    image.fileKind = kind;
    image.fileBytes = std::move(bytes);
    return true;
}

}  // namespace qvx
