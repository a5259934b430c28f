// Reads the tool-image fixture: its index, the requests and cc1541's printed directories.
#include "support/tool_images.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace qvx::test {

namespace {

namespace fs = std::filesystem;

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return true;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool fromHex(const std::string& hex, std::vector<std::uint8_t>& bytes) {
    if (hex.size() % 2 != 0) return false;
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        std::size_t used = 0;
        unsigned long value = 0;
        try {
            value = std::stoul(hex.substr(i, 2), &used, 16);
        } catch (const std::exception&) {
            return false;
        }
        if (used != 2) return false;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

template <std::size_t N>
bool fromHex(const std::string& hex, std::array<std::uint8_t, N>& to) {
    std::vector<std::uint8_t> bytes;
    if (!fromHex(hex, bytes) || bytes.size() != N) return false;
    std::copy(bytes.begin(), bytes.end(), to.begin());
    return true;
}

// In the header line cc1541 shows 0xA0 as a blank; the fixture's names have no trailing blanks
// of their own, and its IDs none at all.
template <std::size_t N>
bool headerField(std::string_view printed, bool blanksArePadding, std::array<std::uint8_t, N>& to) {
    std::vector<std::uint8_t> bytes;
    if (printed.size() != N || !petsciiFromListing(printed, bytes)) return false;
    std::size_t end = N;
    while (end > 0 && bytes[end - 1] == 0x20) --end;
    for (std::size_t i = 0; i < N; ++i)
        to[i] = (bytes[i] == 0x20 && (blanksArePadding || i >= end)) ? 0xA0 : bytes[i];
    return true;
}

void parseRequest(const std::string& text, ToolImage& image) {
    for (const std::string& line : splitLines(text)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "disk") {
            std::string name, id, dos;
            std::vector<std::uint8_t> nameBytes;
            words >> name >> id >> dos;
            if (!fromHex(name, nameBytes) || nameBytes.size() > 16 ||
                !fromHex(id, image.requestedId) || !fromHex(dos, image.requestedDosType)) {
                image.error = "bad disk line in the request: " + line;
                return;
            }
            image.requestedDiskName = padName(nameBytes);
            image.headerRequested = true;
        } else if (kind == "file") {
            std::string type, name;
            RequestedFile file;
            words >> type >> file.size >> name;
            std::vector<std::uint8_t> typeByte;
            // An empty name leaves the last column out.
            if (!fromHex(type, typeByte) || typeByte.size() != 1 || !fromHex(name, file.name)) {
                image.error = "bad file line in the request: " + line;
                return;
            }
            file.typeByte = typeByte[0];
            image.requested.push_back(file);
        } else if (!kind.empty()) {
            image.error = "unknown line in the request: " + line;
            return;
        }
    }
}

void parseListing(const std::string& text, ToolImage& image) {
    static const std::regex header(R"re(^0 \x1b\[7m"(.{16})" (.{2}).(.{2})\x1b\[m$)re");
    static const std::regex fileLine(R"re(^(\d+) +"([^"]*)" *(\*?)([a-z?]{3})(<?) *$)re");
    static const std::regex freeLine(R"re(^(-?\d+) blocks free\.$)re");
    bool seenHeader = false, seenFree = false;
    for (const std::string& line : splitLines(text)) {
        std::smatch m;
        if (line.empty() || line.rfind("Adding ", 0) == 0) continue;
        if (!seenHeader && std::regex_match(line, m, header)) {
            if (!headerField(m.str(1), false, image.diskName) ||
                !headerField(m.str(2), true, image.id) ||
                !headerField(m.str(3), true, image.dosType)) {
                image.error = "header line with characters the listing cannot tell: " + line;
                return;
            }
            seenHeader = true;
        } else if (seenHeader && !seenFree && std::regex_match(line, m, fileLine)) {
            ToolFile entry;
            if (!petsciiFromListing(m.str(2), entry.name)) {
                image.error = "file name with characters the listing cannot tell: " + line;
                return;
            }
            entry.blocks = static_cast<std::uint16_t>(std::stoul(m.str(1)));
            entry.open = m.length(3) != 0;
            entry.type = m.str(4);
            for (char& c : entry.type) c = static_cast<char>(std::toupper(c));
            entry.locked = m.length(5) != 0;
            image.files.push_back(entry);
        } else if (seenHeader && !seenFree && std::regex_match(line, m, freeLine)) {
            image.blocksFree = std::stoi(m.str(1));
            seenFree = true;
        } else {
            image.error = "unexpected line in the listing: " + line;
            return;
        }
    }
    if (!seenFree) image.error = "the listing has no header or no blocks-free line";
}

ToolImage readImage(const std::string& dir, const std::string& indexLine) {
    ToolImage image;
    std::istringstream words(indexLine);
    int type = -1, subType = -1;
    words >> image.fileName >> image.tool >> type >> subType;
    if (!words || !isKnownType(static_cast<DiskType>(type)) || subType < 0 || subType > 2) {
        image.error = "bad index line: " + indexLine;
        return image;
    }
    image.type = static_cast<DiskType>(type);
    image.subType = static_cast<DiskSubType>(subType);
    image.path = dir + "/" + image.fileName;
    std::string d64;
    if (words >> d64) image.d64Path = dir + "/" + d64;
    std::string request;
    if (!readText(image.path + ".want", request) || !readText(image.path + ".txt", image.listing) ||
        !readText(image.path + ".u1.txt", image.listingUpper) ||
        !readText(image.path + ".u2.txt", image.listingLower)) {
        image.error = "missing files next to " + image.path;
        return image;
    }
    parseRequest(request, image);
    if (image.error.empty()) parseListing(image.listing, image);
    return image;
}

std::vector<ToolImage> readAll() {
    std::vector<ToolImage> images;
    std::string dir = toolImagesDir();
    std::string index;
    if (dir.empty() || !readText(dir + "/index.txt", index)) return images;
    for (const std::string& line : splitLines(index))
        if (!line.empty()) images.push_back(readImage(dir, line));
    return images;
}

}  // namespace

std::vector<std::uint8_t> patternBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

std::string toolImagesDir() {
#ifdef QVX_TOOL_IMAGES_DIR
    std::string dir = QVX_TOOL_IMAGES_DIR;
#ifdef _WIN32
    // Wine shows the build machine's root as drive Z:.
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
    return dir;
#else
    return {};
#endif
}

const std::vector<ToolImage>& toolImages() {
    static const std::vector<ToolImage> images = readAll();
    return images;
}

const ToolImage* findToolImage(std::string_view fileName) {
    for (const ToolImage& image : toolImages())
        if (image.fileName == fileName) return &image;
    return nullptr;
}

std::array<std::uint8_t, 16> padName(const std::vector<std::uint8_t>& name) {
    std::array<std::uint8_t, 16> out;
    out.fill(0xA0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), out.size()), out.begin());
    return out;
}

bool petsciiFromListing(std::string_view printed, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    for (char c : printed) {
        auto code = static_cast<unsigned char>(c);
        if (code >= 'a' && code <= 'z') {
            bytes.push_back(static_cast<std::uint8_t>(code - 0x20));
        } else if (code >= 'A' && code <= 'Z') {
            bytes.push_back(static_cast<std::uint8_t>(code + 0x80));
        } else if (code >= 0x20 && code <= 0x40) {
            bytes.push_back(code);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace qvx::test
