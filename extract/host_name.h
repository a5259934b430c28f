// The one mapping from a Commodore file name to a host file name, shared by every front end.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvx {

// The readable base of a 16-byte directory name, safe on every host: the name up to its $A0
// padding, each letter, digit and harmless punctuation as the lower-case character set shows
// it (unshifted letters lower case, shifted upper case), every other byte (graphics, control
// codes, < > : " / \ | ? *) as "_"; leading spaces and trailing dots and spaces dropped; "_"
// when nothing is left; a "_" added to a name a Windows device owns (CON, NUL, COM1, ... before
// any dot).
std::u16string hostBaseName(const std::array<std::uint8_t, 16>& name);

// Makes each name unique within one folder, comparing without regard to ASCII case: the second
// and later of a kind get "~2", "~3", ... before their extension (the last dot). Names already
// unique stay as they are.
void makeUnique(std::vector<std::u16string>& names);

}  // namespace qvx
