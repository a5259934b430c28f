// The counted extensions come from the detect string alone.
#include "render/detect_extensions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace qvx {
namespace {

TEST(DetectExtensions, ReadsEachExtOfTheString) {
    const std::pair<const char*, std::vector<std::u16string>> cases[] = {
        {R"(EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82")",
         {u"D64", u"D71", u"D80", u"D81", u"D82"}},
        {R"(EXT="D64" | EXT="G64")", {u"D64", u"G64"}},
        {R"(EXT="D64" & SIZE=174848)", {u"D64"}},
        {R"(EXT="D64)", {}},
        {"", {}},
    };
    for (const auto& [detect, expected] : cases)
        EXPECT_EQ(detectExtensions(detect), expected) << detect;
    EXPECT_EQ(detectExtensions(), detectExtensions(kImageDetectString));
}

TEST(DetectExtensions, CountsAFileWhatEverTheCaseOfItsExtension) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"d64", true},   {u"D64", true},   {u"d81", true},  {u"g64", true},
        {u"D8", false},   {u"d644", false}, {u"txt", false}, {u"", false},
        {u"d64 ", false}, {u"prg", false},  {u"P00", false},
    };
    for (const auto& [extension, counted] : cases)
        EXPECT_EQ(isDetectedExtension(extension), counted) << toUtf8(extension);
}

}  // namespace
}  // namespace qvx
