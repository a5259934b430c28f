// The keyword tables: one string of every keyword in token order, each ended by a blank.
#include "render/basic_tokens.h"

#include <array>
#include <cstddef>

namespace qvx {
namespace {

// Every keyword of every table in one string, in token order, each followed by one blank; "_"
// marks a token without one.
constexpr std::string_view kWords =
    // BASIC V2, $80 to $CB
    "END FOR NEXT DATA INPUT# INPUT DIM READ LET GOTO RUN IF RESTORE GOSUB RETURN REM STOP ON "
    "WAIT LOAD SAVE VERIFY DEF POKE PRINT# PRINT CONT LIST CLR CMD SYS OPEN CLOSE GET NEW TAB( TO "
    "FN SPC( THEN NOT STEP + - * / ^ AND OR > = < SGN INT ABS USR FRE POS SQR RND LOG EXP COS SIN "
    "TAN ATN PEEK LEN STR$ VAL ASC CHR$ LEFT$ RIGHT$ MID$ GO "
    // BASIC 4.0, $CC to $DA
    "CONCAT DOPEN DCLOSE RECORD HEADER COLLECT BACKUP COPY APPEND DSAVE DLOAD CATALOG RENAME "
    "SCRATCH DIRECTORY "
    // BASIC 3.5, $CC to $FD (and 7.0 but for $CE)
    "RGR RCLR RLUM JOY RDOT DEC HEX$ ERR$ INSTR ELSE RESUME TRAP TRON TROFF SOUND VOL AUTO PUDEF "
    "GRAPHIC PAINT CHAR BOX CIRCLE GSHAPE SSHAPE DRAW LOCATE COLOR SCNCLR SCALE HELP DO LOOP EXIT "
    "DIRECTORY DSAVE DLOAD HEADER SCRATCH COLLECT COPY RENAME BACKUP DELETE RENUMBER KEY MONITOR "
    "USING UNTIL WHILE "
    // BASIC 7.0 after $CE, from $02
    "POT BUMP PEN RSPPOS RSPRITE RSPCOLOR XOR RWINDOW POINTER "
    // BASIC 7.0 after $FE, from $02
    "BANK FILTER PLAY TEMPO MOVSPR SPRITE SPRCOLOR RREG ENVELOPE SLEEP CATALOG DOPEN APPEND "
    "DCLOSE BSAVE BLOAD RECORD CONCAT DVERIFY DCLEAR SPRSAV COLLISION BEGIN BEND WINDOW BOOT WIDTH "
    "SPRDEF QUIT STASH _ FETCH _ SWAP OFF FAST SLOW ";

// One table's tokens: the first token, and its keywords' place among kWords.
struct KeywordTable {
    std::uint8_t first;
    std::uint8_t word;   // the number of its first keyword in kWords
    std::uint8_t count;  // tokens first to first + count - 1
};
constexpr KeywordTable kV2{0x80, 0, 0xCC - 0x80};
constexpr KeywordTable kV4{0xCC, kV2.word + kV2.count, 0xDB - 0xCC};
constexpr KeywordTable kV35{0xCC, kV4.word + kV4.count, 0xFE - 0xCC};
constexpr KeywordTable kV7Functions{0x02, kV35.word + kV35.count, 0x0B - 0x02};
constexpr KeywordTable kV7Statements{0x02, kV7Functions.word + kV7Functions.count, 0x27 - 0x02};
constexpr std::size_t kWordCount = kV7Statements.word + kV7Statements.count;

// Where each keyword starts in kWords, and one past the last blank: computed when compiled.
constexpr std::array<std::uint16_t, kWordCount + 1> wordStarts() {
    std::array<std::uint16_t, kWordCount + 1> starts{};
    std::size_t n = 0;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        if (kWords[i] != ' ') continue;
        if (n < kWordCount) starts[n] = static_cast<std::uint16_t>(begin);
        ++n;
        begin = i + 1;
    }
    if (n == kWordCount) starts[n] = static_cast<std::uint16_t>(begin);
    return starts;
}
constexpr std::array<std::uint16_t, kWordCount + 1> kStarts = wordStarts();
static_assert(kStarts[kWordCount] == kWords.size(), "each table has one keyword a token");

std::string_view lookUp(const KeywordTable& table, std::uint8_t token) {
    if (token < table.first || token - table.first >= table.count) return {};
    const std::size_t n = table.word + token - table.first;
    const std::string_view word = kWords.substr(kStarts[n], kStarts[n + 1] - kStarts[n] - 1);
    return word == "_" ? std::string_view{} : word;
}

}  // namespace

std::string_view keyword(BasicDialect dialect, std::uint8_t token) {
    if (token < 0xCC) return lookUp(kV2, token);
    switch (dialect) {
        case BasicDialect::V4:
            return lookUp(kV4, token);
        case BasicDialect::V35:
            return lookUp(kV35, token);
        case BasicDialect::V7:
            return isTokenPrefix(dialect, token) ? std::string_view{} : lookUp(kV35, token);
        default:
            return {};
    }
}

std::string_view prefixedKeyword(std::uint8_t prefix, std::uint8_t token) {
    if (prefix == kPrefixFunction) return lookUp(kV7Functions, token);
    if (prefix == kPrefixStatement) return lookUp(kV7Statements, token);
    return {};
}

}  // namespace qvx
