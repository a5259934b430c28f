// The viewer's views: which ones an image or a single file has, the order the wrap toggle steps
// through them, and the text of each. Every front end (the Windows module, the Linux plug-in, qvx)
// asks here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "disk/image.h"

namespace qvx {

constexpr std::uint8_t kViewListing = 0;
constexpr std::uint8_t kViewSecondListing = 1;
constexpr std::uint8_t kViewBamMap = 2;
constexpr std::uint8_t kViewErrorMap = 3;  // only for images with error bytes
// A single file's views: 0 and 1 show its content (BASIC listing, 6502 or text) in either set.
constexpr std::uint8_t kViewHex = 2;
constexpr std::uint8_t kViewInstructions = 3;  // only for a program

// The last view of the cycle: for a disk image the error map when hasErrorBytes is 1, else the
// BAM map; for a single file the instructions of a program, the hex view of a data file.
std::uint8_t lastView(const DiskImage& image);

// Whether view lies in the image's cycle (0 to lastView).
bool hasView(const DiskImage& image, int view);

// The view after view in the cycle; the last one is followed by the listing.
std::uint8_t nextView(const DiskImage& image, std::uint8_t view);

// A short name of each view of the record for menus; empty for a view outside 0 to 3.
std::u16string_view viewName(const DiskImage& image, int view);

// The character set a view is drawn in: 1 for the second listing (a file's content in the
// second set), else 0 (the maps' capitals and hex digits are screen codes of the first set).
int viewCharSet(int view);

// Takes the host's display options (bit 0 = wrap text). When the bit differs from wrapFlag it is
// stored and showState moves to the next view: returns true. Otherwise nothing changes.
bool takeWrapBit(DiskImage& image, std::int32_t options);

// The text view shows: the listings are built anew (setupString traces an empty list each
// time), the maps are the texts built at load; a file's views are built from its bytes
// (fileViewText). Empty for a view outside 0 to 3.
std::optional<std::u16string> viewText(const DiskImage& image, int view);

}  // namespace qvx
