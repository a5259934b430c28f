// A single file's views: 6502 rows, hex rows, text, and program and data files loaded as the
// viewer loads them, PC64 containers unwrapped.
#include "render/file_views.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "render/disassembly.h"
#include "render/hex_view.h"
#include "render/load.h"
#include "render/text_view.h"
#include "render/unicode_text.h"
#include "render/views.h"
#include "support/image_builder.h"

namespace qvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string readable(const std::u16string& text) {
    return toUtf8(readableText(text, u"\n"));
}

TEST(FileViews, DisassemblesDocumentedOpcodesAndShowsTheRestAsBytes) {
    const std::pair<Bytes, const char*> cases[] = {
        {{0xA9, 0x00}, "C000  A9 00     LDA #$00\n"},
        {{0xB1, 0xFB}, "C000  B1 FB     LDA ($FB),Y\n"},
        {{0x61, 0x10}, "C000  61 10     ADC ($10,X)\n"},
        {{0xB6, 0x10}, "C000  B6 10     LDX $10,Y\n"},
        {{0x6C, 0xFC, 0xFF}, "C000  6C FC FF  JMP ($FFFC)\n"},
        {{0x9D, 0x00, 0x04}, "C000  9D 00 04  STA $0400,X\n"},
        {{0x0A, 0x60}, "C000  0A        ASL\nC001  60        RTS\n"},
        {{0xD0, 0xFE, 0x10, 0x7F}, "C000  D0 FE     BNE $C000\nC002  10 7F     BPL $C083\n"},
        {{0x02, 0xFF}, "C000  02        .BYTE $02\nC001  FF        .BYTE $FF\n"},
        {{0x20, 0xD2}, "C000  20        .BYTE $20\nC001  D2        .BYTE $D2\n"},  // cut short
    };
    for (const auto& [bytes, expected] : cases) {
        std::u16string text;
        appendDisassembly(text, bytes.data(), bytes.size(), 0xC000, 0);
        EXPECT_EQ(readable(text), expected);
    }
    // Every opcode, also cut short: each line whole, the text exactly as long as its lines.
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        const Bytes bytes = {static_cast<std::uint8_t>(opcode), 0x34, 0x12};
        for (std::size_t size : {1u, 3u}) {
            std::u16string text;
            appendDisassembly(text, bytes.data(), size, 0x1000, 1);
            EXPECT_EQ(text.back(), u'\r') << opcode;
            EXPECT_EQ(text.find(u'\0'), std::u16string::npos) << opcode;
        }
    }
    std::u16string wrapped;
    const Bytes branch = {0xEA, 0xF0, 0x01};
    appendDisassembly(wrapped, branch.data(), branch.size(), 0xFFFF, 0);
    EXPECT_EQ(readable(wrapped), "FFFF  EA        NOP\n0000  F0 01     BEQ $0003\n");
}

TEST(FileViews, HexRowsAndTextShowEveryByteAsQuoteModeDoes) {
    const Bytes bytes = {0x41, 0x42, 0x0D, 0x93, 0xFF, 0x20, 0x31, 0x30, 0xC1};
    std::u16string hex;
    appendHexView(hex, bytes.data(), bytes.size(), 0x0801, 0);
    EXPECT_EQ(readable(hex),
              "0801  41 42 0D 93 FF 20 31 30  ABM♥π 10\n"
              "0809  C1                       ♠\n");
    EXPECT_EQ(hex[33], 0xEE80 + 0x0D);  // the carriage return in reverse
    std::u16string big;
    appendHexView(big, bytes.data(), 1, 0xFFFF8, 0);
    EXPECT_EQ(readable(big), "0FFFF8  41                       A\n");

    std::u16string text;
    appendTextView(text, bytes.data(), bytes.size(), 0);
    EXPECT_EQ(readable(text), "AB\n♥π 10♠\n");
    EXPECT_EQ(text[3], 0xEE80 + 0x53);
    std::u16string second;
    appendTextView(second, bytes.data(), 2, 1);
    EXPECT_EQ(readable(second), "ab\n");
}

TEST(FileViews, LoadsProgramAndDataFilesAndPc64Containers) {
    const Bytes program = {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32,
                           0x30, 0x36, 0x31, 0x00, 0x00, 0x00, 0x60};
    Bytes pc64 = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
    pc64.resize(0x1A, 0);
    pc64.insert(pc64.end(), program.begin(), program.end());
    const Bytes text = {0x48, 0x49, 0x0D};
    const std::string dir = test::scratchDir();
    const struct {
        std::string name;
        Bytes bytes;
        FileKind kind;
        const char* first;
        const char* names;
    } cases[] = {
        {"game.prg", program, kFileProgram, "10 SYS2061\n\n080D  60        RTS\n",
         "BASIC listing|BASIC listing, second character set|Hex|6502"},
        {"GAME.P00", pc64, kFileProgram, "10 SYS2061\n\n080D  60        RTS\n",
         "BASIC listing|BASIC listing, second character set|Hex|6502"},
        {"game.p17", pc64, kFileProgram, "10 SYS2061\n\n080D  60        RTS\n",
         "BASIC listing|BASIC listing, second character set|Hex|6502"},
        {"code.prg",
         {0x00, 0xC0, 0x60},
         kFileProgram,
         "C000  60        RTS\n",
         "6502|6502, second character set|Hex|6502"},
        {"notes.seq", text, kFileData, "HI\n", "Text|Text, second character set|Hex"},
        {"notes.S00", Bytes(pc64.begin(), pc64.begin() + 0x1A), kFileData, "",
         "Text|Text, second character set|Hex"},
        {"empty.usr", {}, kFileData, "", "Text|Text, second character set|Hex"},
        {"plain.p00", program, kFileNone, "", ""},  // no container's signature: no file
        {"game.prg.txt", program, kFileNone, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiskImage image;
        const std::u16string first =
            loadImage(test::u16path(test::writeFile(dir + "/" + c.name, c.bytes)), image);
        EXPECT_EQ(image.fileKind, c.kind);
        EXPECT_EQ(isReadableImage(image), c.kind != kFileNone);
        EXPECT_EQ(readable(first), c.first);
        std::u16string names;
        for (int view = 0; hasView(image, view); ++view) {
            if (c.kind == kFileNone) break;
            names += (view == 0 ? u"" : u"|") + std::u16string(viewName(image, view));
            EXPECT_EQ(viewText(image, view), fileViewText(image, view));
        }
        EXPECT_EQ(toUtf8(names), c.names);
        if (c.kind != kFileNone) EXPECT_EQ(nextView(image, lastView(image)), kViewListing);
    }
}

}  // namespace
}  // namespace qvx
