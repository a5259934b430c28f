// Fuzzes every view of a single file over arbitrary bytes, at each BASIC start and elsewhere.
#include <cstdint>
#include <string>

#include "base/trace.h"
#include "disk/image.h"
#include "fuzz_checks.h"
#include "render/views.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qvx::setTraceSink(nullptr);
    if (size == 0) return 0;
    // The first byte picks the kind and, for a program, puts a BASIC start in front of the rest.
    constexpr std::uint16_t kStarts[] = {0x0801, 0x1001, 0x1201, 0x0401, 0x1C01, 0x4001};
    const std::uint8_t pick = data[0];
    qvx::DiskImage image;
    image.fileKind = pick & 0x80 ? qvx::kFileData : qvx::kFileProgram;
    const std::size_t start = pick & 0x7F;
    if (image.fileKind == qvx::kFileProgram && start < std::size(kStarts))
        image.fileBytes = {static_cast<std::uint8_t>(kStarts[start]),
                           static_cast<std::uint8_t>(kStarts[start] >> 8)};
    image.fileBytes.insert(image.fileBytes.end(), data + 1, data + size);

    qvx::fuzz::require(qvx::hasView(image, qvx::kViewHex), "every file has its hex view");
    for (int view = 0; qvx::hasView(image, view); ++view) {
        const std::u16string text = qvx::viewText(image, view).value_or(u"");
        qvx::fuzz::checkListing(text);
        for (char16_t c : text)
            qvx::fuzz::require(c == u'\r' || (c >= 0xEE00 && c <= 0xEFFF),
                               "a file's view holds only font code points and line breaks");
        // No byte makes more than a line of instructions or an unknown two-byte token.
        qvx::fuzz::require(text.size() <= 40 * image.fileBytes.size() + 40,
                           "a view's length is bounded by the file's");
    }
    return 0;
}
