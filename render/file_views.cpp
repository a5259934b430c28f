// The views of a single file, each built from its bytes when asked for.
#include "render/file_views.h"

#include "render/basic_listing.h"
#include "render/disassembly.h"
#include "render/hex_view.h"
#include "render/text_view.h"
#include "render/views.h"

namespace qvx {
namespace {

// A program's bytes after the load address, or a data file's bytes, and the first one's address.
struct Body {
    const std::uint8_t* bytes;
    std::size_t size;
    std::uint16_t address;
};

Body fileBody(const DiskImage& image) {
    const std::vector<std::uint8_t>& bytes = image.fileBytes;
    if (image.fileKind != kFileProgram || bytes.size() < 2) return {bytes.data(), bytes.size(), 0};
    return {bytes.data() + 2, bytes.size() - 2, fileLoadAddress(image)};
}

}  // namespace

std::u16string fileViewText(const DiskImage& image, int view) {
    const Body body = fileBody(image);
    const int charSet = viewCharSet(view);
    std::u16string text;
    switch (view) {
        case kViewListing:
        case kViewSecondListing:
            switch (fileContent(image)) {
                case FileContent::Basic:
                    appendBasicListing(text, body.bytes, body.size, body.address, charSet);
                    break;
                case FileContent::MachineCode:
                    appendDisassembly(text, body.bytes, body.size, body.address, charSet);
                    break;
                case FileContent::Text:
                    appendTextView(text, body.bytes, body.size, charSet);
                    break;
            }
            break;
        case kViewHex:
            appendHexView(text, body.bytes, body.size, body.address, charSet);
            break;
        case kViewInstructions:
            if (image.fileKind == kFileProgram)
                appendDisassembly(text, body.bytes, body.size, body.address, charSet);
            break;
        default:
            break;
    }
    return text;
}

}  // namespace qvx
