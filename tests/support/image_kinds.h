// Every image type, and the names the tests give its images: kept once for all test programs.
#pragma once

#include <string>

#include "disk/format.h"

namespace qvx::test {

constexpr DiskType kEveryType[] = {kTypeD64, kTypeD64x40, kTypeD71, kTypeD80, kTypeD81, kTypeD82};

// "d64", "d64", "d71", ...: the extension an image of the type is given.
inline std::string extensionOf(DiskType type) {
    static const char* const kExtensions[] = {"d64", "d64", "d71", "d80", "d81", "d82"};
    return kExtensions[type];
}

// "d64", "d64x40", "d71", ...: a short name that tells the two D64 types apart.
inline std::string shortName(DiskType type) {
    return type == kTypeD64x40 ? "d64x40" : extensionOf(type);
}

// "D64", "D64x40WithErrorBytes", ...: the name of a test parameter.
inline std::string kindName(DiskType type, bool errorBytes) {
    std::string name = shortName(type);
    name[0] = 'D';
    return name + (errorBytes ? "WithErrorBytes" : "");
}

}  // namespace qvx::test
