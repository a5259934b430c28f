// qvx.exe writes no pictures.
#include "cli/png.h"

namespace qvx::cli {

std::string writePng(const Picture&, int, const std::u16string&, const Writer&) {
    return "pictures (--png) are a Linux feature of qvx";
}

}  // namespace qvx::cli
