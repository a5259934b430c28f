// runExtract: each image opened as an archive, its files written one by one; nothing is ever
// reported as whole that did not come out whole.
#include "cli/extract_run.h"

#include <optional>

#include "base/text.h"
#include "cli/image_report.h"
#include "cli/json_text.h"
#include "cli/name_pattern.h"
#include "extract/archive.h"
#include "extract/host_name.h"

namespace qvx::cli {
namespace {

struct Totals {
    std::size_t written = 0;
    std::size_t skipped = 0;
    bool failed = false;
    bool matched = false;
};

// The image's file name without folder and extension: the name of its own folder.
std::u16string imageStem(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"/\\");
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot != 0) name.erase(dot);
    return name.empty() ? u"_" : name;
}

const char* formWord(HostForm form) {
    switch (form) {
        case HostForm::Pc64:
            return "pc64";
        case HostForm::Convert:
            return "convert";
        case HostForm::Native:
            break;
    }
    return "native";
}

std::string hyphenated(std::string words) {
    for (char& c : words)
        if (c == ' ') c = '-';
    return words;
}

std::string sectorList(const std::vector<BadSector>& sectors) {
    std::string text;
    for (const BadSector& bad : sectors) {
        if (!text.empty()) text += ", ";
        text += std::to_string(bad.track) + "/" + std::to_string(bad.sector) + " (code " +
                std::to_string(bad.code) + ")";
    }
    return text;
}

std::string fileJson(const std::string& image, const ImageArchive& archive, const ArchiveFile& file,
                     const std::string& written) {
    std::string out;
    JsonObject o(out);
    o.string("path", image);
    o.number("index", static_cast<long long>(file.entryIndex));
    appendEntryJson(o.value("entry"), archive.image.dirEntries[file.entryIndex]);
    o.string("file", written);
    o.string("form", formWord(file.form));
    o.number("size", static_cast<long long>(file.size));
    o.number("time", file.time);
    o.boolean("whole", file.damage == ChainDamage::None && file.unreadable.empty());
    if (file.damage == ChainDamage::None)
        o.null("damage");
    else
        o.string("damage", hyphenated(damageText(file.damage)));
    std::string& list = o.value("unreadable");
    list += '[';
    for (std::size_t i = 0; i < file.unreadable.size(); ++i) {
        if (i != 0) list += ',';
        JsonObject bad(list);
        bad.number("track", file.unreadable[i].track);
        bad.number("sector", file.unreadable[i].sector);
        bad.number("code", file.unreadable[i].code);
        bad.close();
    }
    list += ']';
    o.close();
    return out + "\n";
}

// Writes one file and says on standard error what kept it from coming out whole.
void extractFile(const std::string& image, const ImageArchive& archive, std::size_t index,
                 const std::u16string& folder, const Options& options, const Console& console,
                 Totals& totals) {
    const ArchiveFile& file = archive.files[index];
    const std::u16string target = hostPath(folder, file.hostName);
    const std::string shown = toUtf8(target);
    const std::string prefix = "qvx: " + image + ": " + shown + ": ";
    const std::string problem = writeHostFile(target, readArchiveFile(archive, index), file.time,
                                              file.locked, options.force);
    if (problem == kFileExists) {
        console.err(prefix + "skipped: the file exists (--force replaces it)\n");
        ++totals.skipped;
        totals.failed = true;
        return;
    }
    if (!problem.empty()) {
        console.err(prefix + "not written: " + problem + "\n");
        totals.failed = true;
        return;
    }
    ++totals.written;
    if (options.json) console.out(fileJson(image, archive, file, shown));
    if (file.damage != ChainDamage::None) {
        console.err(prefix + "damaged: " + damageText(file.damage) + "; the " +
                    std::to_string(file.size) + " bytes before it written\n");
        totals.failed = true;
    }
    if (!file.unreadable.empty()) {
        console.err(prefix + "written through sectors a drive could not read: " +
                    sectorList(file.unreadable) + "\n");
        totals.failed = true;
    }
    if (file.unclosed) console.err(prefix + "never closed (*): written as far as its chain goes\n");
}

void extractImage(const std::u16string& path, const std::u16string& folder,
                  const std::optional<NamePattern>& pattern, const Options& options,
                  const Console& console, Totals& totals) {
    const std::string image = toUtf8(path);
    ImageArchive archive;
    if (!openArchive(path, ArchiveOptions{options.p00}, archive)) {
        console.err("qvx: " + image + ": not a readable disk image\n");
        totals.failed = true;
        return;
    }
    const std::size_t writtenBefore = totals.written;
    const std::size_t skippedBefore = totals.skipped;
    bool folderMade = false;
    for (std::size_t i = 0; i < archive.files.size(); ++i) {
        if (pattern &&
            !nameMatches(*pattern, archive.image.dirEntries[archive.files[i].entryIndex].name))
            continue;
        totals.matched = true;
        if (!folderMade) {
            const std::string problem = makeHostFolder(folder);
            if (!problem.empty()) {
                console.err("qvx: " + toUtf8(folder) + ": " + problem + "\n");
                totals.failed = true;
                return;
            }
            folderMade = true;
        }
        extractFile(image, archive, i, folder, options, console, totals);
    }
    if (options.json) return;
    std::string summary = image + ": " + std::to_string(totals.written - writtenBefore) +
                          " files written into " + toUtf8(folder);
    if (totals.skipped != skippedBefore)
        summary += ", " + std::to_string(totals.skipped - skippedBefore) + " skipped";
    console.out(summary + "\n");
}

}  // namespace

int runExtract(const Options& options, const Console& console) {
    const std::u16string& root = *options.extract;
    std::vector<std::u16string> folders;
    if (options.paths.size() == 1) {
        folders.push_back(root);
    } else {
        const std::string problem = makeHostFolder(root);
        if (!problem.empty()) {
            console.err("qvx: " + toUtf8(root) + ": " + problem + "\n");
            return kExitUnreadable;
        }
        for (const std::u16string& path : options.paths) folders.push_back(imageStem(path));
        makeUnique(folders);
        for (std::u16string& folder : folders) folder = hostPath(root, folder);
    }
    std::optional<NamePattern> pattern;
    if (options.find) pattern = parseNamePattern(*options.find);
    Totals totals;
    for (std::size_t i = 0; i < options.paths.size(); ++i)
        extractImage(options.paths[i], folders[i], pattern, options, console, totals);
    if (pattern && !totals.matched) {
        console.err("qvx: no file matched " + toUtf8(*options.find) + "\n");
        totals.failed = true;
    }
    return totals.failed ? kExitUnreadable : kExitOk;
}

}  // namespace qvx::cli
