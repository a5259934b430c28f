// The load of each image type measured against its I/O floor (the same opens, seeks and reads
// without parsing or rendering), and one view switch; for a G64 also its reading and decoding
// alone. Prints summary tables at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "counting_allocator.h"
#include "disk/detect.h"
#include "disk/file.h"
#include "disk/g64.h"
#include "file_ops.h"
#include "file_views_bench.h"
#include "render/listing.h"
#include "render/load.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace {

using namespace qvx;

using bench::FileOp;

struct Subject {
    std::string name;
    std::u16string path;
    std::vector<FileOp> ops;
    std::uint64_t bytesRead = 0;
    std::uint64_t allocations = 0;
    std::size_t switchFileOps = 0;  // file operations of the view switches after the load
    std::size_t entries = 0;
};

// A full directory: 41 sectors chained 1, 2, ..., 40, 0 on the directory track, eight files each.
test::ImageBuilder fullDirectory(DiskType type) {
    test::ImageBuilder b(type, true);
    const DiskFormat& f = kDiskFormats[type];
    b.header("BENCHMARK DISK", "BM", "2A");
    std::vector<std::uint32_t> chain;
    for (std::uint32_t s = f.firstDirSector; s <= 40; ++s) chain.push_back(s);
    for (std::uint32_t s = 0; s < f.firstDirSector; ++s) chain.push_back(s);
    for (std::size_t i = 0; i < chain.size(); ++i) {
        for (int k = 1; k <= 8; ++k)
            b.slot(chain[i], k, 0x82, "FILE " + std::to_string(i * 8 + k),
                   static_cast<std::uint16_t>(k));
        bool last = i + 1 == chain.size();
        b.dirLink(chain[i], last ? 0 : f.dirTrack,
                  last ? 0xFF : static_cast<std::uint8_t>(chain[i + 1]));
    }
    for (std::size_t i = 0; i < f.totalSectors; i += 5) b.errorByte(i, 0x05);
    return b;
}

std::string buildImage(DiskType type, const std::string& dir) {
    static const char* const kNames[kDiskTypeCount] = {"d64-35.d64", "d64-40.d64", "full.d71",
                                                       "full.d80",   "full.d81",   "full.d82"};
    return fullDirectory(type).write(dir + "/" + kNames[type]);
}

// The 35-track one as a G64: every track formatted as a 1541 writes it, about 330 KB of GCR.
std::string buildG64(const std::string& dir) {
    return test::writeFile(dir + "/full.g64", test::g64FromD64(fullDirectory(kTypeD64).bytes()));
}

std::vector<Subject>& subjects() {
    static std::vector<Subject> all;
    return all;
}

void record(Subject& s) {
    bench::FileOpLog log;
    bench::FileOpRecorder recorder(log);
    std::uint64_t before = bench::allocationCount();
    DiskImage image;
    loadImage(s.path, image);
    s.allocations = bench::allocationCount() - before;
    s.entries = image.dirEntries.size();
    const std::size_t opsAfterLoad = log.ops.size();
    setupString(image, 1);
    setupString(image, 0);
    s.switchFileOps = log.ops.size() - opsAfterLoad;
    log.ops.resize(opsAfterLoad);
    s.ops = std::move(log.ops);
    s.bytesRead = log.bytesRead;
}

void BM_Load(benchmark::State& state, const Subject* s) {
    for (auto _ : state) {
        DiskImage image;
        benchmark::DoNotOptimize(loadImage(s->path, image));
        benchmark::DoNotOptimize(setupString(image, 1));
        benchmark::DoNotOptimize(image.bamMapText.data());
        benchmark::DoNotOptimize(image.errorMapText.data());
    }
    state.counters["bytes_read"] = static_cast<double>(s->bytesRead);
    state.counters["allocs"] = static_cast<double>(s->allocations);
}

// A G64's reading and decoding alone: what its I/O floor stands against.
void BM_Decode(benchmark::State& state, const Subject* s) {
    for (auto _ : state) {
        DiskImage image;
        setType(s->path, image);
        readG64(s->path, image);
        benchmark::DoNotOptimize(image.decodedSectors.data());
    }
}

void BM_Floor(benchmark::State& state, const Subject* s) {
    std::vector<std::uint8_t> buffer(8192);
    for (auto _ : state) benchmark::DoNotOptimize(bench::replayFileOps(s->path, s->ops, buffer));
}

void BM_ViewSwitch(benchmark::State& state, const Subject* s) {
    DiskImage image;
    loadImage(s->path, image);
    int set = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(setupString(image, set));
        set ^= 1;
    }
}

// Keeps each run's time per iteration, for the table.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> nanos;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                nanos[r.benchmark_name()] =
                    r.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // --write-images DIR: only write the images, for measuring the same files elsewhere.
    if (argc == 3 && std::string(argv[1]) == "--write-images") {
        for (DiskType t : test::kEveryType) std::printf("%s\n", buildImage(t, argv[2]).c_str());
        std::printf("%s\n", buildG64(argv[2]).c_str());
        return 0;
    }
    std::string dir = test::scratchDir();
    for (DiskType t : test::kEveryType) {
        Subject s;
        s.name = std::string(kDiskFormats[t].typeName);
        s.path = test::u16path(buildImage(t, dir));
        record(s);
        subjects().push_back(std::move(s));
    }
    Subject g64;
    g64.name = "G64 35-TRACK";
    g64.path = test::u16path(buildG64(dir));
    record(g64);
    subjects().push_back(std::move(g64));
    for (const Subject& s : subjects()) {
        benchmark::RegisterBenchmark(("load/" + s.name).c_str(), BM_Load, &s);
        benchmark::RegisterBenchmark(("floor/" + s.name).c_str(), BM_Floor, &s);
        benchmark::RegisterBenchmark(("view_switch/" + s.name).c_str(), BM_ViewSwitch, &s);
        if (s.name.rfind("G64", 0) == 0)
            benchmark::RegisterBenchmark(("decode/" + s.name).c_str(), BM_Decode, &s);
    }
    bench::registerFileViewBenchmarks(dir);
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf(
        "\n| type | entries | load + views (us) | I/O floor (us) | ratio | view switch (us) | "
        "file operations per switch | bytes read | allocations per load |\n"
        "|---|---|---|---|---|---|---|---|---|\n");
    for (const Subject& s : subjects()) {
        double load = reporter.nanos["load/" + s.name] / 1000;
        double floor = reporter.nanos["floor/" + s.name] / 1000;
        double view = reporter.nanos["view_switch/" + s.name] / 1000;
        std::printf("| %s | %zu | %.1f | %.1f | %.2f | %.1f | %zu | %llu | %llu |\n",
                    s.name.c_str(), s.entries - 1, load, floor, floor > 0 ? load / floor : 0.0,
                    view, s.switchFileOps, static_cast<unsigned long long>(s.bytesRead),
                    static_cast<unsigned long long>(s.allocations));
    }
    std::printf(
        "\n| image | read + decode (us) | I/O floor (us) | ratio |\n"
        "|---|---|---|---|\n");
    for (const Subject& s : subjects()) {
        if (reporter.nanos.count("decode/" + s.name) == 0) continue;
        double decode = reporter.nanos["decode/" + s.name] / 1000;
        double floor = reporter.nanos["floor/" + s.name] / 1000;
        std::printf("| %s | %.1f | %.1f | %.2f |\n", s.name.c_str(), decode, floor,
                    floor > 0 ? decode / floor : 0.0);
    }
    bench::printFileViewTable(reporter.nanos);
    benchmark::Shutdown();
    return 0;
}
