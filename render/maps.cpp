// setupBAMMap and setupErrorMap: the two grids of the map views, and the free-block count.
#include "render/maps.h"

#include <algorithm>
#include <string_view>

namespace qvx {

namespace {

constexpr std::u16string_view kSectorTens = u"     SEC       1         2";
constexpr std::u16string_view kSectorThirties = u"         3";
constexpr std::u16string_view kTrackLabel = u"TR   ";
constexpr std::size_t kPrefixWidth = 5;  // "001: "
constexpr std::uint32_t kTensColumns = 30;
constexpr std::u16string_view kHexDigits = u"0123456789ABCDEF";

std::uint32_t widestZone(const DiskFormat& format) {
    std::uint32_t widest = 0;
    for (std::uint32_t z = 0; z < format.zoneCount; ++z)
        widest = std::max<std::uint32_t>(widest, format.zones[z].sectorsPerTrack);
    return widest;
}

// Title, the tens line and the units line, all describing the first zone.
void appendHeader(std::u16string& text, std::u16string_view title, const DiskFormat& format) {
    const std::uint32_t spt = format.zones[0].sectorsPerTrack;
    text += title;
    text += u'\r';
    text += kSectorTens;
    if (spt > kTensColumns) text += kSectorThirties;
    text += u'\r';
    text += kTrackLabel;
    for (std::uint32_t s = 0; s < spt; ++s) text += static_cast<char16_t>(u'0' + s % 10);
    text += u'\r';
}

std::size_t headerLength(std::u16string_view title, const DiskFormat& format) {
    return title.size() + 1 + kSectorTens.size() + kSectorThirties.size() + 1 + kTrackLabel.size() +
           format.zones[0].sectorsPerTrack + 1;
}

// Three digits filled with "0" ("001", "154"), then ": ".
void appendTrackPrefix(std::u16string& text, std::uint32_t track) {
    text += static_cast<char16_t>(u'0' + track / 100 % 10);
    text += static_cast<char16_t>(u'0' + track / 10 % 10);
    text += static_cast<char16_t>(u'0' + track % 10);
    text += u": ";
}

// The directory track, and the format's uncounted track if any, stay out of the free count.
bool countsAsFree(const DiskFormat& format, std::uint32_t track) {
    return track != format.dirTrack && track != format.uncountedTrack;
}

// Each BAM sector on a counted track is taken off the free count: the D80's two, the D82's four.
int bamSectorsCounted(const DiskFormat& format) {
    int n = 0;
    for (std::uint32_t i = 0; i < format.bamSectorCount; ++i)
        if (countsAsFree(format, format.bamSectors[i].track)) ++n;
    return n;
}

int popCount(BamTrack bits) {
    int n = 0;
    for (; bits != 0; bits &= bits - 1) ++n;
    return n;
}

int bitLength(BamTrack bits) {
    int n = 1;  // the value 0 is written as one digit
    while (n < 64 && (bits >> n) != 0) ++n;
    return n;
}

}  // namespace

void setupBAMMap(DiskImage& image) {
    image.blocksFree = 0;
    image.bamMapText.clear();
    if (!isKnownType(image.type)) return;
    const DiskFormat& format = kDiskFormats[image.type];

    std::u16string& text = image.bamMapText;
    text.reserve(headerLength(u"BAM", format) +
                 image.bamTracks.size() * (kPrefixWidth + widestZone(format) + 1));
    appendHeader(text, u"BAM", format);

    ZoneWalk walk(format);
    std::uint32_t track = 0;
    for (BamTrack bits : image.bamTracks) {
        ++track;
        walk.advanceTo(track);
        const int spt = static_cast<int>(walk.sectorsPerTrack);
        // A bitmap wider than the track shows its highest spt bits, lowest of them first.
        const int shift = std::max(0, bitLength(bits) - spt);
        appendTrackPrefix(text, track);
        for (int s = 0; s < spt; ++s) text += ((bits >> (s + shift)) & 1) != 0 ? u'1' : u'0';
        text += u'\r';
    }
    image.blocksFree = countBlocksFree(image);
}

std::int16_t countBlocksFree(const DiskImage& image) {
    if (!isKnownType(image.type)) return 0;
    const DiskFormat& format = kDiskFormats[image.type];
    int freeBlocks = 0;
    std::uint32_t track = 0;
    for (BamTrack bits : image.bamTracks)
        if (countsAsFree(format, ++track)) freeBlocks += popCount(bits);
    return static_cast<std::int16_t>(freeBlocks - bamSectorsCounted(format));
}

void setupErrorMap(DiskImage& image) {
    image.errorMapText.clear();
    if (!isKnownType(image.type)) return;
    const DiskFormat& format = kDiskFormats[image.type];

    // The buffer's own size bounds every read, whatever errorCount claims.
    const std::size_t available = image.errorBytes.size();
    const std::size_t count =
        std::min<std::size_t>(image.errorCount > 0 ? image.errorCount : 0, available);

    std::u16string& text = image.errorMapText;
    text.reserve(headerLength(u"ERROR MAP", format) + format.trackCount * (kPrefixWidth + 1) +
                 std::min<std::size_t>(count, format.totalSectors));
    appendHeader(text, u"ERROR MAP", format);

    std::size_t base = 0;
    std::uint32_t track = 1;
    for (std::uint32_t z = 0; z < format.zoneCount && base < count; ++z) {
        const std::size_t spt = format.zones[z].sectorsPerTrack;
        for (std::uint32_t k = 0; k < format.zones[z].tracks; ++k, ++track) {
            const std::size_t row = base + k * spt;
            if (row + spt > available) return;
            appendTrackPrefix(text, track);
            for (std::size_t s = 0; s < spt; ++s)
                text += kHexDigits[image.errorBytes[row + s] & 0xF];
            text += u'\r';
        }
        base += spt * format.zones[z].tracks;
    }
}

}  // namespace qvx
