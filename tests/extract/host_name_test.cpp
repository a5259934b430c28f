// The host-name mapping: hostile and awkward Commodore names against the names they must become.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "extract/host_name.h"
#include "support/tool_images.h"

namespace qvx {
namespace {

struct NameCase {
    const char* petscii;  // the name bytes, padded with $A0 to 16
    const char* host;
};

const NameCase kNames[] = {
    {"HELLO", "hello"},
    {"\xC8"
     "ELLO W\xCFRLD",
     "Hello wOrld"},
    {"GAME+DEMO!", "game+demo!"},
    {"../", ".._"},
    {"/ETC/PASSWD", "_etc_passwd"},
    {"\\", "_"},  // $5C is the pound sign
    {"A:B", "a_b"},
    {"<>\"|?*", "______"},
    {"CON", "con_"},
    {"NUL.TXT", "nul_.txt"},
    {"COM1", "com1_"},
    {"LPT9.X", "lpt9_.x"},
    {"COM0", "com0"},
    {"CONSOLE", "console"},
    {"", "_"},
    {".", "_"},
    {"..", "_"},
    {"NAME. . ", "name"},
    {"  LEADING", "leading"},
    {"\x0D\x93"
     "A\x05",
     "__a_"},
    {"\xA9\xDE\xFF", "___"},
    {"AB\xA0"
     "CD",
     "ab"},
};

TEST(HostName, HostileAndAwkwardNames) {
    for (const NameCase& row : kNames) {
        std::vector<std::uint8_t> bytes(row.petscii,
                                        row.petscii + std::char_traits<char>::length(row.petscii));
        EXPECT_EQ(toUtf8(hostBaseName(test::padName(bytes))), row.host) << "for " << row.petscii;
    }
}

TEST(HostName, NamesAlikeAllComeOut) {
    struct Case {
        std::vector<std::u16string> names, unique;
    };
    const Case cases[] = {
        {{u"a.prg", u"A.prg", u"a.prg"}, {u"a.prg", u"A~2.prg", u"a~3.prg"}},
        {{u"x.prg", u"x.prg", u"x~2.prg"}, {u"x.prg", u"x~3.prg", u"x~2.prg"}},
        {{u"a.b.seq", u"a.b.seq", u"a.b.prg"}, {u"a.b.seq", u"a.b~2.seq", u"a.b.prg"}},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> names = c.names;
        makeUnique(names);
        EXPECT_EQ(names, c.unique);
    }
}

}  // namespace
}  // namespace qvx
