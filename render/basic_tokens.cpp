// The keyword tables: one string per table, keywords in token order, each ended by a blank.
#include "render/basic_tokens.h"

#include <array>
#include <cstddef>

namespace qvx {
namespace {

struct KeywordTable {
    std::string_view words;  // each keyword followed by one blank; "_" marks a token without one
    std::uint8_t first;      // the token of the first keyword
};

constexpr KeywordTable kV2{
    "END FOR NEXT DATA INPUT# INPUT DIM READ LET GOTO RUN IF RESTORE GOSUB RETURN REM STOP ON "
    "WAIT LOAD SAVE VERIFY DEF POKE PRINT# PRINT CONT LIST CLR CMD SYS OPEN CLOSE GET NEW TAB( TO "
    "FN SPC( THEN NOT STEP + - * / ^ AND OR > = < SGN INT ABS USR FRE POS SQR RND LOG EXP COS SIN "
    "TAN ATN PEEK LEN STR$ VAL ASC CHR$ LEFT$ RIGHT$ MID$ GO ",
    0x80};
constexpr KeywordTable kV4{
    "CONCAT DOPEN DCLOSE RECORD HEADER COLLECT BACKUP COPY APPEND DSAVE DLOAD CATALOG RENAME "
    "SCRATCH DIRECTORY ",
    0xCC};
constexpr KeywordTable kV35{
    "RGR RCLR RLUM JOY RDOT DEC HEX$ ERR$ INSTR ELSE RESUME TRAP TRON TROFF SOUND VOL AUTO PUDEF "
    "GRAPHIC PAINT CHAR BOX CIRCLE GSHAPE SSHAPE DRAW LOCATE COLOR SCNCLR SCALE HELP DO LOOP EXIT "
    "DIRECTORY DSAVE DLOAD HEADER SCRATCH COLLECT COPY RENAME BACKUP DELETE RENUMBER KEY MONITOR "
    "USING UNTIL WHILE ",
    0xCC};
constexpr KeywordTable kV7Functions{"POT BUMP PEN RSPPOS RSPRITE RSPCOLOR XOR RWINDOW POINTER ",
                                    0x02};
constexpr KeywordTable kV7Statements{
    "BANK FILTER PLAY TEMPO MOVSPR SPRITE SPRCOLOR RREG ENVELOPE SLEEP CATALOG DOPEN APPEND "
    "DCLOSE BSAVE BLOAD RECORD CONCAT DVERIFY DCLEAR SPRSAV COLLISION BEGIN BEND WINDOW BOOT WIDTH "
    "SPRDEF QUIT STASH _ FETCH _ SWAP OFF FAST SLOW ",
    0x02};

constexpr std::size_t kMaxWords = 80;

// Where each keyword starts, and one past the last blank: computed when compiled.
struct WordStarts {
    std::array<std::uint16_t, kMaxWords + 1> at{};
    std::size_t count = 0;
};

constexpr WordStarts wordStarts(std::string_view words) {
    WordStarts starts;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] != ' ') continue;
        starts.at[starts.count++] = static_cast<std::uint16_t>(begin);
        begin = i + 1;
    }
    starts.at[starts.count] = static_cast<std::uint16_t>(begin);
    return starts;
}

constexpr WordStarts kV2Starts = wordStarts(kV2.words);
constexpr WordStarts kV4Starts = wordStarts(kV4.words);
constexpr WordStarts kV35Starts = wordStarts(kV35.words);
constexpr WordStarts kV7FunctionStarts = wordStarts(kV7Functions.words);
constexpr WordStarts kV7StatementStarts = wordStarts(kV7Statements.words);
static_assert(kV2Starts.count == 0xCC - 0x80 && kV4Starts.count == 0xDB - 0xCC &&
              kV35Starts.count == 0xFE - 0xCC && kV7FunctionStarts.count == 0x0B - 0x02 &&
              kV7StatementStarts.count == 0x27 - 0x02);

std::string_view lookUp(const KeywordTable& table, const WordStarts& starts, std::uint8_t token) {
    if (token < table.first) return {};
    const std::size_t n = token - table.first;
    if (n >= starts.count) return {};
    const std::string_view word =
        table.words.substr(starts.at[n], starts.at[n + 1] - starts.at[n] - 1);
    return word == "_" ? std::string_view{} : word;
}

}  // namespace

bool isTokenPrefix(BasicDialect dialect, std::uint8_t token) {
    return dialect == BasicDialect::V7 && (token == kPrefixFunction || token == kPrefixStatement);
}

std::string_view keyword(BasicDialect dialect, std::uint8_t token) {
    if (token < 0xCC) return lookUp(kV2, kV2Starts, token);
    switch (dialect) {
        case BasicDialect::V4:
            return lookUp(kV4, kV4Starts, token);
        case BasicDialect::V35:
            return lookUp(kV35, kV35Starts, token);
        case BasicDialect::V7:
            return isTokenPrefix(dialect, token) ? std::string_view{}
                                                 : lookUp(kV35, kV35Starts, token);
        default:
            return {};
    }
}

std::string_view prefixedKeyword(std::uint8_t prefix, std::uint8_t token) {
    if (prefix == kPrefixFunction) return lookUp(kV7Functions, kV7FunctionStarts, token);
    if (prefix == kPrefixStatement) return lookUp(kV7Statements, kV7StatementStarts, token);
    return {};
}

}  // namespace qvx
