// The view cycle every front end follows, and which text each view shows.
#include <gtest/gtest.h>

#include <vector>

#include "render/listing.h"
#include "render/views.h"

namespace qvx {
namespace {

struct WrapCase {
    std::uint8_t hasErrorBytes;
    std::vector<std::int32_t> options;  // display options sent one after the other
    std::vector<bool> moved;
    std::vector<std::uint8_t> views;  // showState after each
};

class WrapSteps : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapSteps, OnlyAChangeOfBitZeroMovesOneViewOn) {
    const WrapCase& c = GetParam();
    DiskImage image;
    image.hasErrorBytes = c.hasErrorBytes;
    image.wrapFlag = 1;
    for (std::size_t i = 0; i < c.options.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(takeWrapBit(image, c.options[i]), c.moved[i]);
        EXPECT_EQ(image.showState, c.views[i]);
        EXPECT_EQ(image.wrapFlag, c.options[i] & 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, WrapSteps,
    ::testing::Values(
        WrapCase{0, {1, 0, 1, 0, 0, 1}, {false, true, true, true, false, true}, {0, 1, 2, 0, 0, 1}},
        WrapCase{1, {0, 1, 0, 1, 0}, {true, true, true, true, true}, {1, 2, 3, 0, 1}},
        // Bits other than 0 are not the wrap bit; 2 is wrap off, 3 wrap on, -1 on.
        WrapCase{1, {2, 3, -1, -2}, {true, true, false, true}, {1, 2, 2, 3}},
        // Any value other than 1 means no error map.
        WrapCase{2, {0, 1, 0}, {true, true, true}, {1, 2, 0}}));

TEST(ViewText, ListingsAreBuiltAnewMapsAreTheStoredTexts) {
    DiskImage image;
    image.dirEntries.resize(1);
    image.bamMapText = u"bam";
    image.errorMapText = u"errors";
    EXPECT_EQ(viewText(image, kViewListing), setupString(image, 0));
    EXPECT_EQ(viewText(image, kViewSecondListing), setupString(image, 1));
    EXPECT_NE(viewText(image, kViewListing), viewText(image, kViewSecondListing));
    EXPECT_EQ(viewText(image, kViewBamMap), u"bam");
    EXPECT_EQ(viewText(image, kViewErrorMap), u"errors");
    EXPECT_FALSE(viewText(image, 4).has_value());
    EXPECT_FALSE(viewText(image, -1).has_value());
}

TEST(ViewCycle, TheErrorMapExistsOnlyWithErrorBytes) {
    DiskImage image;
    EXPECT_TRUE(hasView(image, kViewBamMap));
    EXPECT_FALSE(hasView(image, kViewErrorMap));
    EXPECT_EQ(nextView(image, kViewBamMap), kViewListing);
    image.hasErrorBytes = 1;
    EXPECT_TRUE(hasView(image, kViewErrorMap));
    EXPECT_FALSE(hasView(image, 4));
    EXPECT_FALSE(hasView(image, -1));
    EXPECT_EQ(nextView(image, kViewBamMap), kViewErrorMap);
    EXPECT_EQ(nextView(image, kViewErrorMap), kViewListing);
}

}  // namespace
}  // namespace qvx
