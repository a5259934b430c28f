// The settings file's packer options, read again for each image opened.
#include "packer/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <mutex>
#include <vector>

#include "disk/file.h"

namespace qvx::packer {

namespace {

constexpr std::size_t kMostSettingsBytes = 64 * 1024;

struct SettingsFile {
    std::mutex lock;
    std::u16string path;
};

SettingsFile& settingsFile() {
    static SettingsFile file;
    return file;
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

ArchiveOptions optionsFromIni(std::string_view ini) {
    ArchiveOptions options;
    bool ours = false;
    while (!ini.empty()) {
        const std::size_t end = std::min(ini.find('\n'), ini.size());
        const std::string_view line = trimmed(ini.substr(0, end));
        ini.remove_prefix(std::min(end + 1, ini.size()));
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            ours = sameWord(trimmed(line.substr(1, line.size() - 2)), "QVX");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!ours || equals == std::string_view::npos) continue;
        if (!sameWord(trimmed(line.substr(0, equals)), "PC64")) continue;
        const std::string_view value = trimmed(line.substr(equals + 1));
        options.pc64 = sameWord(value, "1") || sameWord(value, "yes") || sameWord(value, "true") ||
                       sameWord(value, "on");
    }
    return options;
}

void setSettingsFile(const std::u16string& path) {
    SettingsFile& file = settingsFile();
    std::lock_guard<std::mutex> hold(file.lock);
    file.path = path;
}

ArchiveOptions currentOptions() {
    std::u16string path;
    {
        SettingsFile& file = settingsFile();
        std::lock_guard<std::mutex> hold(file.lock);
        path = file.path;
    }
    if (path.empty()) return {};
    ImageFile file(path);
    if (!file.isOpen()) return {};
    std::vector<std::uint8_t> bytes(kMostSettingsBytes);
    bytes.resize(file.read(bytes.data(), bytes.size()));
    return optionsFromIni(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace qvx::packer
