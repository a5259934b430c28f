// A 50 KiB program of BASIC V2 lines, quotes and keywords, then 1 KiB of machine code.
#include "file_views_bench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "disk/image.h"
#include "render/load.h"
#include "render/views.h"
#include "support/image_builder.h"

namespace qvx::bench {
namespace {

constexpr std::size_t kProgramBytes = 50 * 1024;

// 10 PRINT"HELLO WORLD";A$(I);:FORI=1TO10:NEXTI:GOSUB1000 as its tokens.
const std::vector<std::uint8_t> kLineBody = {0x99, 0x22, 'H',  'E',  'L',  'L', 'O',  ' ', 'W', 'O',
                                             'R',  'L',  'D',  0x22, 0x3B, 'A', '$',  '(', 'I', ')',
                                             0x3B, ':',  0x81, 'I',  0xB2, '1', 0xA4, '1', '0', ':',
                                             0x82, 'I',  ':',  0x8D, '1',  '0', '0',  '0'};

std::vector<std::uint8_t> program() {
    std::vector<std::uint8_t> bytes = {0x01, 0x08};
    for (unsigned number = 10; bytes.size() + kLineBody.size() + 5 < kProgramBytes - 1024;
         number += 10) {
        const std::size_t next = 0x0801 + bytes.size() - 2 + 4 + kLineBody.size() + 1;
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(next >> 8),
                      static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8)});
        bytes.insert(bytes.end(), kLineBody.begin(), kLineBody.end());
        bytes.push_back(0);
    }
    bytes.insert(bytes.end(), {0, 0});
    for (std::size_t i = 0; bytes.size() < kProgramBytes; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i * 7));  // every opcode, documented or not
    return bytes;
}

DiskImage& loaded() {
    static DiskImage image;
    return image;
}

void BM_FileLoad(benchmark::State& state, std::u16string path) {
    for (auto _ : state) {
        DiskImage image;
        benchmark::DoNotOptimize(loadImage(path, image));
    }
}

void BM_FileView(benchmark::State& state, int view) {
    for (auto _ : state) benchmark::DoNotOptimize(viewText(loaded(), view));
}

}  // namespace

void registerFileViewBenchmarks(const std::string& dir) {
    const std::u16string path = test::u16path(test::writeFile(dir + "/basic-50k.prg", program()));
    loadImage(path, loaded());
    benchmark::RegisterBenchmark("file_load", BM_FileLoad, path);
    for (int view = 0; hasView(loaded(), view); ++view)
        benchmark::RegisterBenchmark(("file_view/" + std::to_string(view)).c_str(), BM_FileView,
                                     view);
}

void printFileViewTable(const std::map<std::string, double>& nanos) {
    auto micros = [&nanos](const std::string& name) {
        const auto found = nanos.find(name);
        return found == nanos.end() ? 0.0 : found->second / 1000;
    };
    const std::u16string listing = viewText(loaded(), kViewListing).value_or(u"");
    std::printf(
        "\n| program | lines of view 0 | read + view 0 (us) | view 0 (us) | view 1 (us) | view 2 "
        "(us) | view 3 (us) |\n|---|---|---|---|---|---|---|\n| BASIC V2, 50 KiB | %zu | %.1f |",
        static_cast<std::size_t>(std::count(listing.begin(), listing.end(), u'\r')),
        micros("file_load"));
    for (int view = 0; view < 4; ++view)
        std::printf(" %.1f |", micros("file_view/" + std::to_string(view)));
    std::printf("\n");
}

}  // namespace qvx::bench
