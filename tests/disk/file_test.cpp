// The file layer: sizes, positioning, reads at the end, what does not open, and that nothing is
// ever written.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/file.h"
#include "support/image_builder.h"

namespace qvx {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

std::vector<std::uint8_t> readBack(const std::string& path) {
    std::uintmax_t size = fs::file_size(fs::u8path(path));
    ImageFile file(test::u16path(path));
    std::vector<std::uint8_t> bytes(size);
    bytes.resize(file.read(bytes.data(), bytes.size()));
    return bytes;
}

TEST(FileLayer, SizeOfFilesAndOfWhatIsNoFile) {
    std::string dir = test::scratchDir();
    fs::create_directory(fs::u8path(dir + "/folder.d64"));
    struct Case {
        std::string path;
        std::int64_t size;
    };
    const Case cases[] = {
        {test::writeFile(dir + "/three.bin", {1, 2, 3}), 3},
        {test::writeFile(dir + "/empty.bin", {}), 0},
        {test::sizedFile(dir + "/d81.d81", 819200), 819200},
        {test::sizedFile(dir + "/big.bin", (1ull << 32) + 5), (1ll << 32) + 5},
        {dir + "/missing.bin", -1},
        {dir + "/folder.d64", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fileSize(test::u16path(c.path)), c.size);
        ImageFile file(test::u16path(c.path));
        EXPECT_EQ(file.isOpen(), c.size >= 0);
        EXPECT_EQ(file.size(), c.size);
    }
}

TEST(FileLayer, WhatDoesNotOpenGivesAClosedObject) {
    std::string dir = test::scratchDir();
    fs::create_directory(fs::u8path(dir + "/folder"));
    for (const std::string& path : {dir + "/missing.d64", dir + "/folder", std::string()}) {
        SCOPED_TRACE(path);
        ImageFile file(test::u16path(path));
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(file.size(), -1);
        EXPECT_FALSE(file.seek(0));
        EXPECT_FALSE(file.seekRelative(1));
        std::uint8_t byte = 0x55;
        EXPECT_EQ(file.read(&byte, 1), 0u);
        EXPECT_EQ(byte, 0x55);
    }
}

TEST(FileLayer, SeekAndReadFromThere) {
    std::vector<std::uint8_t> bytes = pattern(4000);
    std::string path = test::writeFile(test::scratchDir() + "/seek.bin", bytes);
    ImageFile file(test::u16path(path));
    ASSERT_TRUE(file.isOpen());

    struct Step {
        bool relative;
        std::int64_t to;
        std::size_t at;  // where the next read starts
    };
    const Step steps[] = {
        {false, 1000, 1000}, {true, 5, 1015}, {true, -515, 510},
        {false, 0, 0},       {true, 0, 10},   {false, 3999, 3999},
    };
    std::uint8_t got[10];
    for (const Step& s : steps) {
        SCOPED_TRACE(s.at);
        EXPECT_TRUE(s.relative ? file.seekRelative(s.to) : file.seek(s.to));
        std::size_t expected = std::min<std::size_t>(10, bytes.size() - s.at);
        ASSERT_EQ(file.read(got, 10), expected);
        EXPECT_TRUE(std::equal(got, got + expected, bytes.begin() + s.at));
    }
    EXPECT_FALSE(file.seek(-1));
}

TEST(FileLayer, ReadsStopAtTheEnd) {
    std::vector<std::uint8_t> bytes = pattern(300);
    std::string path = test::writeFile(test::scratchDir() + "/short.bin", bytes);
    ImageFile file(test::u16path(path));
    std::vector<std::uint8_t> got(256, 0xEE);
    ASSERT_TRUE(file.seek(256));
    ASSERT_EQ(file.read(got.data(), got.size()), 44u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 44, bytes.begin() + 256));
    EXPECT_EQ(got[44], 0xEE);  // nothing is stored past what was read
    EXPECT_EQ(file.read(got.data(), got.size()), 0u);
    file.seek(1000);  // past the end: the next read finds nothing
    EXPECT_EQ(file.read(got.data(), got.size()), 0u);
}

TEST(FileLayer, ReadingLeavesTheFileAsItWas) {
    std::vector<std::uint8_t> bytes = pattern(174848);
    std::string path = test::writeFile(test::scratchDir() + "/keep.d64", bytes);
    // Dated in the past, so that any write would move the time.
    auto past = fs::last_write_time(fs::u8path(path)) - std::chrono::hours(24 * 400);
    fs::last_write_time(fs::u8path(path), past);
    {
        ImageFile file(test::u16path(path));
        std::vector<std::uint8_t> buffer(256);
        ASSERT_TRUE(file.seek(0x16500));
        ASSERT_EQ(file.read(buffer.data(), buffer.size()), 256u);
        file.seekRelative(-512);
        file.read(buffer.data(), buffer.size());
        file.seek(174848);
        file.read(buffer.data(), buffer.size());
    }
    EXPECT_EQ(fs::last_write_time(fs::u8path(path)), past);
    EXPECT_EQ(readBack(path), bytes);
}

TEST(FileLayer, SameFileOpenTwiceReadsIndependently) {
    std::vector<std::uint8_t> bytes = pattern(1000);
    std::string path = test::writeFile(test::scratchDir() + "/twice.bin", bytes);
    ImageFile first(test::u16path(path));
    ImageFile second(test::u16path(path));
    ASSERT_TRUE(first.isOpen());
    ASSERT_TRUE(second.isOpen());
    std::uint8_t a[4], b[4];
    ASSERT_TRUE(first.seek(600));
    ASSERT_EQ(second.read(b, 4), 4u);
    ASSERT_EQ(first.read(a, 4), 4u);
    EXPECT_TRUE(std::equal(a, a + 4, bytes.begin() + 600));
    EXPECT_TRUE(std::equal(b, b + 4, bytes.begin()));
}

TEST(FileLayer, MovingHandsTheFileOver) {
    std::string path = test::writeFile(test::scratchDir() + "/move.bin", pattern(10));
    ImageFile a(test::u16path(path));
    ImageFile b(std::move(a));
    EXPECT_FALSE(a.isOpen());
    EXPECT_TRUE(b.isOpen());
    ImageFile c(test::u16path(test::scratchDir() + "/missing"));
    c = std::move(b);
    EXPECT_FALSE(b.isOpen());
    ASSERT_TRUE(c.isOpen());
    std::uint8_t byte = 0;
    EXPECT_EQ(c.read(&byte, 1), 1u);
}

TEST(FileLayer, NamesOutsideAscii) {
    std::string path =
        test::writeFile(test::scratchDir() + "/disk \xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80.d64", {7});
    EXPECT_EQ(fileSize(test::u16path(path)), 1);
    ImageFile file(test::u16path(path));
    std::uint8_t byte = 0;
    ASSERT_EQ(file.read(&byte, 1), 1u);
    EXPECT_EQ(byte, 7);
}

TEST(FileLayer, ObserverSeesOpensAndReads) {
    std::string path = test::writeFile(test::scratchDir() + "/watch.bin", pattern(100));
    std::vector<std::u16string> opened;
    std::vector<std::pair<std::size_t, std::size_t>> reads;
    {
        test::ScopedFileObserver observer(
            {[&](const std::u16string& p) { opened.push_back(p); },
             [&](std::size_t want, std::size_t got) { reads.emplace_back(want, got); }});
        ImageFile file(test::u16path(path));
        std::uint8_t buffer[64];
        file.read(buffer, 64);
        file.read(buffer, 64);
        file.read(buffer, 64);
    }
    EXPECT_EQ(opened, std::vector<std::u16string>{test::u16path(path)});
    EXPECT_EQ(reads,
              (std::vector<std::pair<std::size_t, std::size_t>>{{64, 64}, {64, 36}, {64, 0}}));
    EXPECT_FALSE(fileObserver().onOpen);
    EXPECT_FALSE(fileObserver().onRead);
}

}  // namespace
}  // namespace qvx
