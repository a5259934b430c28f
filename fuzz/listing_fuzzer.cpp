// Fuzzes the character conversion and the listing over arbitrary records.
#include <cstdint>
#include <string>

#include "base/trace.h"
#include "disk/image.h"
#include "fuzz_checks.h"
#include "render/listing.h"
#include "render/petscii.h"

namespace {

// Reads the fuzz input front to back; past its end every byte reads as zero.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    bool done() const { return pos >= size; }
};

template <std::size_t N>
void fill(Reader& in, std::array<std::uint8_t, N>& to) {
    for (auto& b : to) b = in.byte();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qvx::setTraceSink(nullptr);
    Reader in{data, size};

    // The conversion on its own, over 16-bit characters.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size && i < 64; i += 2)
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    int reverse = static_cast<std::int8_t>(in.byte());
    int charSet = static_cast<std::int8_t>(in.byte());
    std::u16string converted = qvx::petsciiToFont(text, reverse, charSet);
    qvx::fuzz::require(converted.size() == text.size(), "one character out per character in");
    char16_t base = charSet != 0 ? 0xEF00 : 0xEE00;
    for (std::size_t i = 0; i < converted.size(); ++i) {
        qvx::fuzz::require(converted[i] >= base && converted[i] <= base + 0xFF, "within the set");
        bool reversed = converted[i] >= base + 0x80;
        qvx::fuzz::require(reversed == (reverse == 1), "reverse video only for 1");
    }

    qvx::DiskImage image;
    image.type = static_cast<qvx::DiskType>(static_cast<std::int8_t>(in.byte()) % 8);
    image.subType = static_cast<qvx::DiskSubType>(in.byte() % 4);
    image.hasErrorBytes = in.byte() % 3;
    image.blocksFree = static_cast<std::int16_t>(in.byte() | (in.byte() << 8));
    while (!in.done() && image.dirEntries.size() < 400) {
        qvx::DirEntry e;
        fill(in, e.name);
        e.blocks = static_cast<std::uint16_t>(in.byte() | (in.byte() << 8));
        fill(in, e.fileType);
        fill(in, e.id);
        fill(in, e.dosType);
        e.locked = in.byte() & 1;
        e.closed = in.byte() & 1;
        image.dirEntries.push_back(e);
    }
    if (!qvx::isKnownType(image.type)) image.type = qvx::kTypeUnknown;
    for (int set : {0, 1}) {
        std::u16string listing = qvx::setupString(image, set);
        qvx::fuzz::checkListing(listing);
        qvx::fuzz::require(listing.empty() == image.dirEntries.empty(),
                           "empty only without records");
    }
    return 0;
}
