// Fuzzes the load of G64 files: the signature, then arbitrary version, counts, tables and tracks.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "disk/gcr.h"
#include "fuzz_checks.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view kSignature = "GCR-1541";
    static std::vector<std::uint8_t> file;
    file.assign(kSignature.begin(), kSignature.end());
    file.insert(file.end(), data, data + size);

    qvx::DiskImage record;
    qvx::fuzz::loadAndCheck(qvx::fuzz::writeImageFile(file, "g64"), record);
    if (size < 4 || data[0] != 0) {
        qvx::fuzz::require(record.type == qvx::kTypeUnknown, "only version 0 with its header");
        return 0;
    }
    if (record.type == qvx::kTypeUnknown) {
        qvx::fuzz::require(
            !record.problems.empty() && record.problems.back().code == qvx::ProblemCode::G64NoTrack,
            "a G64 is no image only without a formatted track");
        qvx::fuzz::require(record.dirEntries.empty(), "no directory of no image");
        return 0;
    }
    qvx::fuzz::require(record.type == qvx::kTypeD64 || record.type == qvx::kTypeD64x40,
                       "a G64 holds 35 or 40 tracks");
    qvx::fuzz::require(record.container == qvx::kContainerG64, "known as a G64");
    qvx::fuzz::require(record.decodedSectors.empty(), "decoded sectors released after the load");
    qvx::fuzz::require(record.errorBytes.size() == qvx::kDiskFormats[record.type].totalSectors,
                       "one code per sector");
    qvx::fuzz::require(std::all_of(record.errorBytes.begin(), record.errorBytes.end(),
                                   [](std::uint8_t c) {
                                       return c == qvx::kSectorOk || c == qvx::kHeaderNotFound ||
                                              c == qvx::kNoSync || c == qvx::kNoDataBlock ||
                                              c == qvx::kDataChecksum ||
                                              c == qvx::kHeaderChecksum || c == qvx::kIdMismatch;
                                   }),
                       "only the drive's codes");
    return 0;
}
