// The detect string the host matches file names against, and how it fits the host's buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin_harness.h"

namespace qvx::test {
namespace {

const std::string kDetectString =
    R"(EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64" | EXT="PRG" | )"
    R"(EXT="SEQ" | EXT="USR" | EXT="P00" | EXT="S00" | EXT="U00" | EXT="R00")";
constexpr char kUntouched = '\x55';
constexpr std::size_t kBufferSize = 200;

TEST(DetectString, IsOneHundredFiftyThreeCharactersAndATerminator) {
    ASSERT_EQ(kDetectString.size(), 153u);
    std::vector<char> buffer(kBufferSize, kUntouched);
    plugin().listGetDetectString(buffer.data(), static_cast<int>(buffer.size()));
    std::vector<char> expected(kDetectString.begin(), kDetectString.end());
    expected.push_back('\0');
    expected.resize(kBufferSize, kUntouched);
    EXPECT_EQ(buffer, expected);
}

// Shorter buffers get what fits, still terminated; a length of zero or less gets nothing.
TEST(DetectString, FitsShortBuffers) {
    struct Case {
        int maxLength;
        std::size_t characters;  // written before the terminator; none at all when npos
    };
    constexpr std::size_t kNothing = std::string::npos;
    const Case cases[] = {{154, 153}, {153, 152},    {30, 29},       {2, 1},
                          {1, 0},     {0, kNothing}, {-1, kNothing}, {-70, kNothing}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxLength);
        std::vector<char> buffer(kBufferSize, kUntouched);
        plugin().listGetDetectString(buffer.data(), c.maxLength);
        std::vector<char> expected(kBufferSize, kUntouched);
        if (c.characters != kNothing) {
            std::memcpy(expected.data(), kDetectString.data(), c.characters);
            expected[c.characters] = '\0';
        }
        EXPECT_EQ(buffer, expected);
    }
}

}  // namespace
}  // namespace qvx::test
