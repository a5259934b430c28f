// The error-byte reader: where the bytes come from, how many, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/errors.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::ImageBuilder;
using test::TraceCapture;

TEST(ErrorBytes, EveryTypeReadsTheLastTotalSectorsBytes) {
    struct Case {
        DiskType type;
        std::size_t count;
        std::size_t offset;
    };
    const Case cases[] = {
        {kTypeD64, 683, 174848},  {kTypeD64x40, 768, 196608}, {kTypeD71, 1366, 349696},
        {kTypeD80, 2083, 533248}, {kTypeD81, 3200, 819200},   {kTypeD82, 4166, 1066496},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kDiskFormats[c.type].typeName));
        ImageBuilder b(c.type, true);
        ASSERT_EQ(b.bytes().size(), c.offset + c.count);
        for (std::size_t i = 0; i < c.count; ++i)
            b.errorByte(i, static_cast<std::uint8_t>(i * 7 + 1));
        b.putAt(c.offset - 1, {0xEE});  // the last sector's last byte is not an error byte
        DiskImage image;
        image.type = c.type;
        TraceCapture trace;
        getErrorData(test::u16path(b.write(test::scratchDir() + "/image.img")), image);
        EXPECT_EQ(image.errorCount, static_cast<std::int16_t>(c.count));
        const std::vector<std::uint8_t> tail(b.bytes().begin() + c.offset, b.bytes().end());
        EXPECT_EQ(image.errorBytes, tail);
        EXPECT_EQ(trace.lines,
                  std::vector<std::u16string>{u"getErrorData - " + widen(std::to_string(c.count)) +
                                              u" error bytes successfully read."});
    }
}

TEST(ErrorBytes, D64ByteOrderFollowsTheTracks) {
    ImageBuilder b(kTypeD64, true);
    b.errorByte(0, 0x21).errorByte(20, 0x22).errorByte(21, 0x23).errorByte(682, 0x24);
    DiskImage image;
    image.type = kTypeD64;
    TraceCapture trace;
    getErrorData(test::u16path(b.write(test::scratchDir() + "/image.d64")), image);
    ASSERT_EQ(image.errorBytes.size(), 683u);
    EXPECT_EQ(image.errorBytes[0], 0x21);    // track 1 sector 0
    EXPECT_EQ(image.errorBytes[20], 0x22);   // track 1 sector 20
    EXPECT_EQ(image.errorBytes[21], 0x23);   // track 2 sector 0
    EXPECT_EQ(image.errorBytes[682], 0x24);  // track 35 sector 16
    EXPECT_EQ(trace.lines,
              std::vector<std::u16string>{u"getErrorData - 683 error bytes successfully read."});
}

TEST(ErrorBytes, OpenFailureLeavesAZeroedBlockAndNoLineFeed) {
    const std::string path = test::scratchDir() + "/missing.d81";
    DiskImage image;
    image.type = kTypeD81;
    TraceCapture trace;
    getErrorData(test::u16path(path), image);
    EXPECT_EQ(image.errorCount, 3200);
    EXPECT_EQ(image.errorBytes, std::vector<std::uint8_t>(3200, 0));
    EXPECT_EQ(trace.lines, std::vector<std::u16string>{u"getErrorData - can't open file <" +
                                                       test::u16path(path) + u">"});
    EXPECT_EQ(image.problems,
              (std::vector<Problem>{{ProblemCode::OpenFailed, ProblemSource::Errors}}));
}

TEST(ErrorBytes, FileTooShortForTheCountLeavesZeros) {
    const std::string path =
        test::writeFile(test::scratchDir() + "/short.d64", std::vector<std::uint8_t>(500, 0xFF));
    DiskImage image;
    image.type = kTypeD64;
    TraceCapture trace;
    getErrorData(test::u16path(path), image);
    EXPECT_EQ(image.errorCount, 683);
    EXPECT_EQ(image.errorBytes, std::vector<std::uint8_t>(683, 0));
    EXPECT_EQ(trace.lines, std::vector<std::u16string>{u"getErrorData - read error"});
    EXPECT_EQ(image.problems,
              (std::vector<Problem>{{ProblemCode::ReadFailed, ProblemSource::Errors}}));
}

TEST(ErrorBytes, UndeterminedTypeIsLeftAloneAndSilent) {
    const std::string path = ImageBuilder(kTypeD64, true).write(test::scratchDir() + "/image.d64");
    for (DiskType type : {kTypeUnknown, DiskType{6}}) {
        DiskImage image;
        image.type = type;
        image.errorCount = 5;
        image.errorBytes = {1, 2, 3, 4, 5};
        TraceCapture trace;
        getErrorData(test::u16path(path), image);
        EXPECT_EQ(image.errorCount, 5);
        EXPECT_EQ(image.errorBytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
        EXPECT_TRUE(trace.lines.empty());
    }
}

TEST(ErrorBytes, ImageWithoutErrorBytesGivesItsLastSectorsTail) {
    // The caller decides whether an image has error bytes; the reader just takes the file's tail.
    ImageBuilder b(kTypeD64);
    std::vector<std::uint8_t> tail(683);
    for (std::size_t i = 0; i < tail.size(); ++i) tail[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    b.putAt(b.bytes().size() - tail.size(), tail);
    DiskImage image;
    image.type = kTypeD64;
    TraceCapture trace;
    getErrorData(test::u16path(b.write(test::scratchDir() + "/plain.d64")), image);
    EXPECT_EQ(image.errorBytes, tail);
}

}  // namespace
}  // namespace qvx
