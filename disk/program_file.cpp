// Reads a single file whole, unwrapping a PC64 container.
#include "disk/program_file.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "base/trace.h"
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

FileKind kindOfLetter(char16_t letter) {
    switch (asciiUpper(letter)) {
        case u'P':
            return kFileProgram;
        case u'S':
        case u'U':
        case u'R':
            return kFileData;
        default:
            return kFileNone;
    }
}

}  // namespace

bool isPc64Extension(const std::u16string& extension) {
    return extension.size() == 3 && kindOfLetter(extension[0]) != kFileNone &&
           isDigit(extension[1]) && isDigit(extension[2]);
}

FileKind fileKindOfExtension(const std::u16string& extension) {
    if (isPc64Extension(extension)) return kindOfLetter(extension[0]);
    std::u16string name = extension;
    std::transform(name.begin(), name.end(), name.begin(), asciiUpper);
    if (name == u"PRG") return kFileProgram;
    if (name == u"SEQ" || name == u"USR") return kFileData;
    return kFileNone;
}

bool readProgramFile(const std::u16string& path, DiskImage& image) {
    const std::u16string extension = fileExtension(path);
    const FileKind kind = fileKindOfExtension(extension);
    if (kind == kFileNone) return false;
    ImageFile file(path);
    const std::int64_t size = file.size();
    if (size < 0) return false;
    const bool pc64 = isPc64Extension(extension);
    const std::size_t skip = pc64 ? kPc64HeaderSize : 0;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(size, kMaxFileBytes + skip));
    std::vector<std::uint8_t> bytes(wanted);
    bytes.resize(file.read(bytes.data(), bytes.size()));
    if (pc64 && (bytes.size() < kPc64HeaderSize ||
                 !std::equal(kPc64Signature.begin(), kPc64Signature.end(), bytes.begin())))
        return false;
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(skip));
    image.type = kTypeUnknown;
    image.fileKind = kind;
    image.fileBytes = std::move(bytes);
    logDebug(joined({u"readProgramFile - ", pc64 ? u"PC64 " : u"",
                     kind == kFileProgram ? u"program, " : u"data file, ",
                     decimal(static_cast<std::int64_t>(image.fileBytes.size())), u" bytes"}));
    return true;
}

}  // namespace qvx
