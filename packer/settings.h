// The packer's one setting, kept in the host's settings file for packers (its name comes through
// PackSetDefaultParams), so that users choose it where they would for any packer:
//
//   [QVX]
//   PC64=1        every file but GEOS ones as a PC64 container, which keeps the exact name
#pragma once

#include <string>
#include <string_view>

#include "extract/archive.h"

namespace qvx::packer {

// The options an INI text sets: section and key names without regard to case, the value 1, yes,
// true or on (likewise) for PC64. Anything else, or no such line, leaves an option off.
ArchiveOptions optionsFromIni(std::string_view ini);

// Where the host keeps the settings (PackSetDefaultParams); empty until it says.
void setSettingsFile(const std::u16string& path);

// The options in the settings file as it reads now, so that a change counts from the next image
// opened; all off when there is no file or it cannot be read. Reads at most 64 KiB of it.
ArchiveOptions currentOptions();

}  // namespace qvx::packer
