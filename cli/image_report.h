// What qvx prints about one image read for a collection as JSON: its line, or a line for each
// entry that matched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "disk/image.h"

namespace qvx::cli {

// The text the terminal shows for name bytes: up to the first zero byte, as the listing takes
// them, through the first character set's glyphs; with stripPadding the $A0 bytes that pad the
// end of a name are left out. UTF-8.
std::string readableBytes(const std::uint8_t* bytes, std::size_t count, bool stripPadding);

// The image as one JSON object and a line feed, for a record that readImage filled with the
// BAM and error bytes. docs/qvx-json.schema.json describes it.
std::string imageJson(const std::u16string& path, const DiskImage& image);

// An entry as imageJson writes it: blocks, name, type, closed, locked.
void appendEntryJson(std::string& out, const DirEntry& entry);

// One entry that matched --find as one JSON object and a line feed: the path, its place among
// the image's files (from 1) and the entry as imageJson writes it.
std::string matchJson(const std::u16string& path, std::size_t index, const DirEntry& entry);

}  // namespace qvx::cli
