// The collection benchmark's two halves that need the code: writing a mixed collection of
// images, and the I/O floor of reading it (the folder walk, then per image the same stat, opens,
// seeks and reads as qvx --json, on as many threads, with no parsing and no output).
//
//   collection_bench write DIR COUNT   images in DIR/d64, DIR/d71, DIR/d80, DIR/d81, DIR/d82,
//                                      DIR/g64 and DIR/damaged; prints how many of each
//   collection_bench floor ROUNDS PATH...
//                                      prints "images SECONDS BYTES": the best of ROUNDS rounds
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "cli/image_paths.h"
#include "cli/ordered_work.h"
#include "cli/read_image.h"
#include "disk/file.h"
#include "file_ops.h"
#include "render/load.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"

namespace {

using namespace qvx;
using test::ImageBuilder;

// How a collection is mixed: per thousand images, a type (and whether it has error bytes).
struct Kind {
    const char* folder;
    const char* extension;
    DiskType type;
    bool errorBytes;
    int perMille;
};
constexpr Kind kKinds[] = {
    {"d64", "d64", kTypeD64, false, 580},    {"d64", "d64", kTypeD64, true, 100},
    {"d64", "d64", kTypeD64x40, false, 50},  {"d71", "d71", kTypeD71, false, 80},
    {"d81", "d81", kTypeD81, false, 100},    {"d80", "d80", kTypeD80, false, 30},
    {"d82", "d82", kTypeD82, false, 20},     {"g64", "g64", kTypeD64, false, 20},
    {"damaged", "d64", kTypeD64, false, 20},
};

// Only the sectors that hold something are written; the rest of the file is a hole, so ten
// thousand images take little disk.
void writeSparse(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + path);
    for (std::size_t at = 0; at < bytes.size(); at += kSectorSize) {
        const std::size_t n = std::min<std::size_t>(kSectorSize, bytes.size() - at);
        if (std::any_of(bytes.begin() + at, bytes.begin() + at + n, [](auto b) { return b; }) &&
            ::pwrite(fd, bytes.data() + at, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n))
            throw std::runtime_error("cannot write " + path);
    }
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        throw std::runtime_error("cannot size " + path);
    ::close(fd);
}

// A disk as people keep them: a handful to a hundred files, mostly programs, some named GAME.
ImageBuilder makeImage(const Kind& kind, std::mt19937& random, int number) {
    ImageBuilder b(kind.type, kind.errorBytes);
    const DiskFormat& f = kDiskFormats[kind.type];
    b.header("DISK " + std::to_string(number), "ID", f.dirTrack == 18 ? "2A" : "3D");
    const int files = std::uniform_int_distribution<int>(1, 100)(random) < 90
                          ? std::uniform_int_distribution<int>(1, 24)(random)
                          : std::uniform_int_distribution<int>(25, 144)(random);
    const int sectors = (files + 7) / 8;
    for (int i = 0; i < files; ++i) {
        const std::uint32_t sector = f.firstDirSector + static_cast<std::uint32_t>(i / 8);
        const bool game = std::uniform_int_distribution<int>(0, 19)(random) == 0;
        const std::string name = (game ? "GAME " : "FILE ") + std::to_string(i + 1);
        b.slot(sector, i % 8 + 1, i % 5 == 4 ? 0x81 : 0x82, name,
               static_cast<std::uint16_t>(std::uniform_int_distribution<int>(1, 200)(random)));
    }
    // A damaged disk's chain comes back to its first sector.
    const bool damaged = std::string(kind.folder) == "damaged";
    for (int s = 0; s < sectors; ++s) {
        const std::uint32_t sector = f.firstDirSector + static_cast<std::uint32_t>(s);
        if (s + 1 < sectors) {
            b.dirLink(sector, f.dirTrack, static_cast<std::uint8_t>(sector + 1));
        } else if (damaged) {
            b.dirLink(sector, f.dirTrack, f.firstDirSector);
        } else {
            b.dirLink(sector, 0, 0xFF);
        }
    }
    if (kind.errorBytes)
        for (std::size_t i = 0; i < f.totalSectors; ++i) b.errorByte(i, i % 97 == 0 ? 0x05 : 0x01);
    return b;
}

int write(const std::string& dir, int count) {
    std::mt19937 random(20);
    std::map<std::string, int> made;
    for (const Kind& kind : kKinds) std::filesystem::create_directories(dir + "/" + kind.folder);
    int number = 0;
    for (const Kind& kind : kKinds) {
        const int n = count * kind.perMille / 1000;
        for (int i = 0; i < n; ++i, ++number) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d.%s", number, kind.extension);
            std::vector<std::uint8_t> bytes = makeImage(kind, random, number).bytes();
            // A G64 holds the disk as a 1541 writes its tracks.
            if (std::string(kind.extension) == "g64") bytes = test::g64FromD64(bytes);
            // Every other damaged image is cut short: a size no type has.
            if (std::string(kind.folder) == "damaged" && i % 2 == 1) bytes.resize(100000);
            writeSparse(dir + "/" + kind.folder + "/" + name, bytes);
            ++made[kind.folder];
        }
    }
    for (const auto& [folder, n] : made) std::printf("%s %d\n", folder.c_str(), n);
    return 0;
}

// The folder walk and, per image, what qvx --json does to the file system.
int floor(int rounds, const std::vector<std::u16string>& given) {
    const std::vector<std::u16string> images = cli::collectImages(given, true).images;
    std::vector<bench::FileOpLog> logs(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        bench::FileOpRecorder recorder(logs[i]);
        DiskImage image;
        cli::readImage(images[i], image, {true, true});
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    double best = 1e9;
    std::uint64_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::u16string> walked = cli::collectImages(given, true).images;
        std::atomic<std::uint64_t> read{0};
        cli::runInOrder(
            walked.size(), threads,
            [&](std::size_t i) {
                thread_local std::vector<std::uint8_t> buffer;
                read += static_cast<std::uint64_t>(fileSize(walked[i]) >= 0);
                read += bench::replayFileOps(walked[i], logs[i].ops, buffer);
                return cli::ImageResult{};
            },
            [](cli::ImageResult&) {}, [](std::size_t) {});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        bytes = read;
    }
    std::printf("%zu %.6f %llu\n", images.size(), best, static_cast<unsigned long long>(bytes));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "write") return write(args[1], std::stoi(args[2]));
    if (args.size() >= 3 && args[0] == "floor") {
        std::vector<std::u16string> paths;
        for (std::size_t i = 2; i < args.size(); ++i) paths.push_back(pathFromSystem(args[i]));
        return floor(std::stoi(args[1]), paths);
    }
    std::fprintf(stderr, "usage: collection_bench write DIR COUNT | floor ROUNDS PATH...\n");
    return 2;
}
