// Directory records built in memory, for tests of what the renderers make of them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "disk/image.h"

namespace qvx::test {

constexpr std::uint8_t kPad = 0xA0;

// The text's bytes, then fill up to N bytes.
template <std::size_t N>
std::array<std::uint8_t, N> bytes(std::string_view text, std::uint8_t fill) {
    std::array<std::uint8_t, N> out{};
    out.fill(fill);
    for (std::size_t i = 0; i < text.size() && i < N; ++i)
        out[i] = static_cast<std::uint8_t>(text[i]);
    return out;
}

inline DirEntry header(std::string_view name, std::string_view id = "AB",
                       std::string_view dos = "2A") {
    DirEntry e;
    e.name = bytes<16>(name, kPad);
    e.id = bytes<2>(id, 0);
    e.dosType = bytes<2>(dos, 0);
    return e;
}

inline DirEntry file(std::string_view name, std::uint16_t blocks, std::string_view type = "PRG",
                     std::uint8_t closed = 1, std::uint8_t locked = 0) {
    DirEntry e;
    e.name = bytes<16>(name, kPad);
    e.blocks = blocks;
    e.fileType = bytes<3>(type, 0);
    e.closed = closed;
    e.locked = locked;
    return e;
}

inline DiskImage image(std::vector<DirEntry> entries, DiskType type = kTypeD64) {
    DiskImage img;
    img.type = type;
    img.dirEntries = std::move(entries);
    return img;
}

}  // namespace qvx::test
