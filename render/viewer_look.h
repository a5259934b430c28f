// What every viewer module shows and tells its host alike, on Windows and on Linux: the files it
// takes, the display font and the colours.
#pragma once

#include <cstdint>
#include <string_view>

namespace qvx {

// The disk images among the files a module takes; a folder's images for qvx are these.
constexpr std::string_view kImageDetectString =
    R"(EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64")";
// The files a module asks its host for, ASCII, the same in every code page: the disk images, then
// single program and data files and PC64 containers (those numbered 00; readProgramFile takes any
// two digits when the host offers one).
constexpr std::string_view kDetectString =
    R"(EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64" | EXT="PRG" | )"
    R"(EXT="SEQ" | EXT="USR" | EXT="P00" | EXT="S00" | EXT="U00" | EXT="R00")";
static_assert(kDetectString.substr(0, kImageDetectString.size()) == kImageDetectString);

// Writes as much of the detect string as fits into a host's buffer of maxLength bytes, always
// terminated: a buffer of kDetectString.size() + 1 bytes or more takes all of it. Nothing for a
// null buffer or a length of 0 or less.
void writeDetectString(char* buffer, std::int32_t maxLength);

// The display font: its face, and its file in the module's own folder.
constexpr std::u16string_view kDisplayFace = u"C64 Pro Mono";
constexpr std::u16string_view kDisplayFontFile = u"C64_Pro_Mono-STYLE.ttf";
// The font shipped beside the modules (made from the glyph source), for when the display font is
// not there.
constexpr std::u16string_view kShippedFace = u"QVX Mono";
constexpr std::u16string_view kShippedFontFile = u"QVX-Mono.ttf";

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
constexpr bool operator==(Rgb a, Rgb b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
constexpr bool operator!=(Rgb a, Rgb b) {
    return !(a == b);
}
constexpr Rgb kTextColour{162, 143, 255};
constexpr Rgb kBackgroundColour{96, 73, 237};

}  // namespace qvx
