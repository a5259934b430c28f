// The view cycle and the text of each view.
#include "render/views.h"

#include "render/file_views.h"
#include "render/listing.h"

namespace qvx {

std::uint8_t lastView(const DiskImage& image) {
    if (image.fileKind != kFileNone)
        return image.fileKind == kFileProgram ? kViewInstructions : kViewHex;
    return image.hasErrorBytes == 1 ? kViewErrorMap : kViewBamMap;
}

bool hasView(const DiskImage& image, int view) {
    return view >= kViewListing && view <= lastView(image);
}

std::uint8_t nextView(const DiskImage& image, std::uint8_t view) {
    return view == lastView(image) ? kViewListing : static_cast<std::uint8_t>(view + 1);
}

std::u16string_view viewName(const DiskImage& image, int view) {
    if (image.fileKind != kFileNone) {
        constexpr std::u16string_view kContentNames[][2] = {
            {u"BASIC listing", u"BASIC listing, second character set"},
            {u"6502", u"6502, second character set"},
            {u"Text", u"Text, second character set"}};
        if (!hasView(image, view)) return {};
        if (view == kViewHex) return u"Hex";
        if (view == kViewInstructions) return u"6502";
        return kContentNames[static_cast<int>(fileContent(image))][view];
    }
    switch (view) {
        case kViewListing:
            return u"Listing";
        case kViewSecondListing:
            return u"Listing, second character set";
        case kViewBamMap:
            return u"BAM map";
        case kViewErrorMap:
            return u"Error map";
        default:
            return {};
    }
}

int viewCharSet(int view) {
    return view == kViewSecondListing ? 1 : 0;
}

bool takeWrapBit(DiskImage& image, std::int32_t options) {
    const auto wrap = static_cast<std::uint8_t>(options & 1);
    if (wrap == image.wrapFlag) return false;
    image.wrapFlag = wrap;
    image.showState = nextView(image, image.showState);
    return true;
}

std::optional<std::u16string> viewText(const DiskImage& image, int view) {
    if (image.fileKind != kFileNone) {
        if (!hasView(image, view)) return std::nullopt;
        return fileViewText(image, view);
    }
    switch (view) {
        case kViewListing:
        case kViewSecondListing:
            return setupString(image, viewCharSet(view));
        case kViewBamMap:
            return image.bamMapText;
        case kViewErrorMap:
            return image.errorMapText;
        default:
            return std::nullopt;
    }
}

}  // namespace qvx
