// Writes the hostile images for the host tests, the images of every valid size filled with 0x00
// or 0xFF, and manifest.json with what their layout makes the readers find (the same expectations
// the native robustness tests hold the readers to).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "base/text.h"
#include "disk/format.h"
#include "robustness/hostile_images.h"

namespace {

using qvx::DiskType;
using Json = nlohmann::ordered_json;
namespace t = qvx::test;

Json describe(DiskType type, bool errorBytes, std::uint8_t fill) {
    Json lines = Json::array();
    for (const std::u16string& line : t::filledTrace(type, errorBytes, fill))
        lines.push_back(qvx::toUtf8(line));
    return Json{{"file", t::filledName(type, errorBytes, fill)},
                {"typeName", std::string(qvx::kDiskFormats[type].typeName)},
                {"errorBytes", errorBytes},
                {"fill", fill},
                {"readerLines", std::move(lines)},
                {"fileEntries", t::filledFileEntries(fill)},
                {"bamTracks", t::filledBamTracks(type)},
                {"errorMapTracks", errorBytes ? qvx::kDiskFormats[type].trackCount : 0},
                {"blocksFree", t::filledBlocksFree(type, fill)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_hostile_images DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        std::filesystem::create_directories(dir);
        Json manifest = Json::array();
        for (DiskType type : t::kEveryType) {
            for (bool errorBytes : {false, true}) {
                for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
                    t::filledImage(type, errorBytes, fill)
                        .write(dir + "/" + t::filledName(type, errorBytes, fill));
                    manifest.push_back(describe(type, errorBytes, fill));
                }
            }
        }
        std::ofstream(dir + "/manifest.json") << manifest.dump(2) << "\n";
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_hostile_images: %s\n", e.what());
        return 1;
    }
    return 0;
}
