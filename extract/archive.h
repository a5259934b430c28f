// An image opened as a folder of files: what every front end (qvx --extract, the Windows packer,
// the Linux packer) lists and copies out. Read-only: the image is read once into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/chain.h"
#include "disk/image.h"

namespace qvx {

// How a file comes out on the host: as stored (.prg .seq .usr .del, .cbm a partition's sectors,
// .bin a type the drive does not name), a PC64 container (.p00 .s00 .u00 .r00 .d00; always for
// REL), a Convert file (.cvt, GEOS files, in every mode).
enum class HostForm : std::uint8_t { Native, Pc64, Convert };

struct ArchiveFile {
    std::size_t entryIndex = 0;  // in image.dirEntries (1 = first file)
    std::u16string hostName;     // safe on every host, unique within the image, with extension
    HostForm form = HostForm::Native;
    std::uint64_t size = 0;  // exact byte count of what readArchiveFile returns
    std::int64_t time = 0;   // Unix seconds, UTC: the GEOS date stamp, else the image's own time
    bool locked = false;     // the host file is made read-only
    bool unclosed = false;   // the entry's type has the "*" (never closed): reported, not damage
    ChainDamage damage = ChainDamage::None;  // the first fault met, in the order the file is read
    std::vector<BadSector> unreadable;       // sectors of the file a drive could not read
};

struct ArchiveOptions {
    bool pc64 = false;  // every file but GEOS ones as a PC64 container (keeps the exact name)
};

struct ImageArchive {
    DiskImage image;                  // the directory as getDirEntries reads it
    std::vector<std::uint8_t> bytes;  // the image's sectors (and error bytes) in D-file layout
    std::vector<ArchiveFile> files;   // one per listed entry, in directory order
};

// Reads the image at path once into memory and describes every file: false (archive left empty)
// when it is no readable image, or a D-file changed size between detection and reading. Walks
// each chain to size it, copies nothing yet. Traces as the directory reader does.
bool openArchive(const std::u16string& path, const ArchiveOptions& options, ImageArchive& archive);

// The bytes of one file in its host form, as far as its chain goes; size, damage and unreadable
// of its ArchiveFile describe exactly these bytes. Memory bounded by the image. An index past the
// files gives nothing. Safe to call from several threads on one archive.
std::vector<std::uint8_t> readArchiveFile(const ImageArchive& archive, std::size_t fileIndex);

// "first sector out of range", "link out of image", ...: for messages; empty for None.
std::string damageText(ChainDamage damage);

// Writes a file on the host with the time and read-only flag (extract/host_file_{posix,win32}.cpp):
// returns an empty string on success, else the system's words. Never overwrites unless asked (an
// existing file then gives kFileExists); a failed write leaves no partial file behind: the bytes go
// to a temporary name in the same folder first, which is renamed.
std::string writeHostFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes,
                          std::int64_t time, bool readOnly, bool overwrite);
constexpr const char* kFileExists = "file exists";

// The modification time of a file in Unix seconds, UTC; 0 when it has none to be had.
std::int64_t hostFileTime(const std::u16string& path);

// Makes the folder unless it is one already (its parent must exist): an empty string on success,
// else the system's words.
std::string makeHostFolder(const std::u16string& path);

// Joins a folder and a name with the host's separator.
std::u16string hostPath(const std::u16string& folder, const std::u16string& name);

}  // namespace qvx
