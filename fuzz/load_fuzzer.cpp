// Fuzzes the whole load of an image of every valid size, then every view, checking properties.
#include <cstdint>
#include <vector>

#include "fuzz_checks.h"
#include "fuzz_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto choice = qvx::fuzz::chooseImage(data[0]);
    static std::vector<std::uint8_t> image;
    qvx::fuzz::fillImage(choice, data + 1, size - 1, image);

    qvx::DiskImage record;
    qvx::fuzz::loadAndCheck(qvx::fuzz::writeImageFile(image, "d64"), record);
    qvx::fuzz::require(record.type == choice.type, "the size alone picks the type");
    qvx::fuzz::require(record.hasErrorBytes == (choice.errorBytes ? 1 : 0), "error-byte variant");
    qvx::fuzz::require(!record.dirEntries.empty(), "a readable image gives a header record");
    return 0;
}
