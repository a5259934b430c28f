// BASIC programs as LIST prints them: the keyword tables against the published lists, round trips
// through a tokenizer of the test's own, programs written byte by byte, and hostile programs.
#include "render/basic_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "render/basic_tokens.h"
#include "render/unicode_text.h"

namespace qvx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::string>;

// The keywords as the manuals of each machine list them, in token order.
const Words kPublishedV2 = {
    "END",  "FOR",    "NEXT",    "DATA",   "INPUT#", "INPUT", "DIM",  "READ", "LET",  "GOTO",
    "RUN",  "IF",     "RESTORE", "GOSUB",  "RETURN", "REM",   "STOP", "ON",   "WAIT", "LOAD",
    "SAVE", "VERIFY", "DEF",     "POKE",   "PRINT#", "PRINT", "CONT", "LIST", "CLR",  "CMD",
    "SYS",  "OPEN",   "CLOSE",   "GET",    "NEW",    "TAB(",  "TO",   "FN",   "SPC(", "THEN",
    "NOT",  "STEP",   "+",       "-",      "*",      "/",     "^",    "AND",  "OR",   ">",
    "=",    "<",      "SGN",     "INT",    "ABS",    "USR",   "FRE",  "POS",  "SQR",  "RND",
    "LOG",  "EXP",    "COS",     "SIN",    "TAN",    "ATN",   "PEEK", "LEN",  "STR$", "VAL",
    "ASC",  "CHR$",   "LEFT$",   "RIGHT$", "MID$",   "GO"};  // $80 to $CB
const Words kPublishedV4 = {"CONCAT",  "DOPEN",   "DCLOSE", "RECORD",  "HEADER",
                            "COLLECT", "BACKUP",  "COPY",   "APPEND",  "DSAVE",
                            "DLOAD",   "CATALOG", "RENAME", "SCRATCH", "DIRECTORY"};  // $CC to $DA
const Words kPublishedV35 = {
    "RGR",    "RCLR",   "RLUM",      "JOY",    "RDOT",     "DEC",    "HEX$",    "ERR$",
    "INSTR",  "ELSE",   "RESUME",    "TRAP",   "TRON",     "TROFF",  "SOUND",   "VOL",
    "AUTO",   "PUDEF",  "GRAPHIC",   "PAINT",  "CHAR",     "BOX",    "CIRCLE",  "GSHAPE",
    "SSHAPE", "DRAW",   "LOCATE",    "COLOR",  "SCNCLR",   "SCALE",  "HELP",    "DO",
    "LOOP",   "EXIT",   "DIRECTORY", "DSAVE",  "DLOAD",    "HEADER", "SCRATCH", "COLLECT",
    "COPY",   "RENAME", "BACKUP",    "DELETE", "RENUMBER", "KEY",    "MONITOR", "USING",
    "UNTIL",  "WHILE"};  // $CC to $FD
const Words kPublishedV7Functions = {"POT",      "BUMP", "PEN",     "RSPPOS", "RSPRITE",
                                     "RSPCOLOR", "XOR",  "RWINDOW", "POINTER"};  // $CE02 on
const Words kPublishedV7Statements = {
    "BANK",     "FILTER", "PLAY",    "TEMPO",  "MOVSPR", "SPRITE",    "SPRCOLOR", "RREG",
    "ENVELOPE", "SLEEP",  "CATALOG", "DOPEN",  "APPEND", "DCLOSE",    "BSAVE",    "BLOAD",
    "RECORD",   "CONCAT", "DVERIFY", "DCLEAR", "SPRSAV", "COLLISION", "BEGIN",    "BEND",
    "WINDOW",   "BOOT",   "WIDTH",   "SPRDEF", "QUIT",   "STASH",     "",         "FETCH",
    "",         "SWAP",   "OFF",     "FAST",   "SLOW"};  // $FE02 on; $FE20 and $FE22 are unused

TEST(BasicTokens, MatchThePublishedLists) {
    struct Table {
        BasicDialect dialect;
        std::uint8_t first;
        const Words& words;
    };
    const Table tables[] = {{BasicDialect::V2, 0x80, kPublishedV2},
                            {BasicDialect::V4, 0xCC, kPublishedV4},
                            {BasicDialect::V35, 0xCC, kPublishedV35}};
    for (BasicDialect later : {BasicDialect::V4, BasicDialect::V35, BasicDialect::V7})
        for (std::size_t i = 0; i < kPublishedV2.size(); ++i)
            EXPECT_EQ(keyword(later, static_cast<std::uint8_t>(0x80 + i)), kPublishedV2[i]);
    for (const Table& t : tables) {
        for (std::size_t i = 0; i < t.words.size(); ++i)
            EXPECT_EQ(keyword(t.dialect, static_cast<std::uint8_t>(t.first + i)), t.words[i]);
        EXPECT_EQ(keyword(t.dialect, static_cast<std::uint8_t>(t.first + t.words.size())), "");
    }
    for (std::size_t i = 0; i < kPublishedV35.size(); ++i) {
        const auto token = static_cast<std::uint8_t>(0xCC + i);
        EXPECT_EQ(keyword(BasicDialect::V7, token), token == 0xCE ? "" : kPublishedV35[i]);
    }
    EXPECT_TRUE(isTokenPrefix(BasicDialect::V7, 0xCE) && isTokenPrefix(BasicDialect::V7, 0xFE));
    EXPECT_FALSE(isTokenPrefix(BasicDialect::V35, 0xCE));
    for (std::size_t i = 0; i <= kPublishedV7Statements.size(); ++i) {
        const auto second = static_cast<std::uint8_t>(2 + i);
        EXPECT_EQ(prefixedKeyword(0xFE, second),
                  i < kPublishedV7Statements.size() ? kPublishedV7Statements[i] : "");
        EXPECT_EQ(prefixedKeyword(0xCE, second),
                  i < kPublishedV7Functions.size() ? kPublishedV7Functions[i] : "");
    }
    EXPECT_EQ(prefixedKeyword(0xFE, 0x01), "");
}

// The test's own tokenizer: the longest keyword of the dialect at each place outside quotes.
Bytes tokenize(const Words& lines, BasicDialect dialect, std::uint16_t address) {
    std::vector<std::pair<std::string, Bytes>> words;
    auto add = [&words](const Words& list, Bytes prefix, std::uint8_t first) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            Bytes token = prefix;
            token.push_back(static_cast<std::uint8_t>(first + i));
            if (!list[i].empty()) words.emplace_back(list[i], token);
        }
    };
    add(kPublishedV2, {}, 0x80);
    if (dialect == BasicDialect::V4) add(kPublishedV4, {}, 0xCC);
    if (dialect == BasicDialect::V35 || dialect == BasicDialect::V7) add(kPublishedV35, {}, 0xCC);
    if (dialect == BasicDialect::V7) {
        add(kPublishedV7Functions, {0xCE}, 0x02);
        add(kPublishedV7Statements, {0xFE}, 0x02);
    }
    Bytes out = {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)};
    for (const std::string& text : lines) {
        const std::size_t blank = text.find(' ');
        const unsigned number = std::stoul(text.substr(0, blank));
        Bytes body;
        bool quoted = false;
        for (std::size_t at = blank + 1; at < text.size();) {
            std::size_t best = 0;
            const Bytes* token = nullptr;
            for (const auto& [word, bytes] : words) {
                if (!quoted && word.size() > best && text.compare(at, word.size(), word) == 0) {
                    best = word.size();
                    token = &bytes;
                }
            }
            if (token != nullptr) {
                body.insert(body.end(), token->begin(), token->end());
                at += best;
                continue;
            }
            if (text[at] == '"') quoted = !quoted;
            body.push_back(static_cast<std::uint8_t>(text[at++]));
        }
        const std::size_t next = address + out.size() - 2 + 4 + body.size() + 1;
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(next >> 8),
                    static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8)});
        out.insert(out.end(), body.begin(), body.end());
        out.push_back(0);
    }
    out.insert(out.end(), {0, 0});
    return out;
}

// The listing of a program file's bytes (load address first), as readable lines.
Words listed(const Bytes& file, int charSet = 0) {
    std::u16string text;
    const auto address = static_cast<std::uint16_t>(file[0] | file[1] << 8);
    appendBasicListing(text, file.data() + 2, file.size() - 2, address, charSet);
    const std::string readable = toUtf8(readableText(text, u"\n"));
    Words lines;
    for (std::size_t at = 0, end; (end = readable.find('\n', at)) != std::string::npos;
         at = end + 1)
        lines.push_back(readable.substr(at, end - at));
    return lines;
}

std::string withArrow(std::string line) {
    for (std::size_t at; (at = line.find('^')) != std::string::npos;) line.replace(at, 1, "↑");
    return line;
}

TEST(BasicListing, RoundTripsEveryDialectThroughATokenizer) {
    struct Case {
        BasicDialect dialect;
        std::uint16_t address;
        Words lines;
    };
    Words everyV2;
    for (std::size_t i = 0; i < kPublishedV2.size(); ++i)
        everyV2.push_back(std::to_string(i) + " " + kPublishedV2[i] + "1");
    const Case cases[] = {
        {BasicDialect::V2, 0x0801, {"10 PRINT\"HI THERE\";:GOTO10", "65535 A=2^8:IFA>1THENEND"}},
        {BasicDialect::V2, 0x0801, everyV2},
        {BasicDialect::V2, 0x1201, {"1 POKE36879,8:SYS64802", "2 REM DATA IN QUOTES \"GOTO\""}},
        {BasicDialect::V2, 0x1001, {"1 POKE36879,8:PRINT\"VIC-20\""}},  // listed as 3.5, the same
        {BasicDialect::V4, 0x0401, {"10 DOPEN#1,\"DATA\",D0:CATALOG", "20 DIRECTORY:SCRATCH\"X\""}},
        {BasicDialect::V35, 0x1001, {"10 GRAPHIC1,1:COLOR0,2", "20 DO:LOOPUNTILJOY(1)=128"}},
        {BasicDialect::V7, 0x1C01, {"10 BANK15:A=POT(1)XOR3", "20 FAST:SPRITE1,1:SLOW:WHILE"}},
        {BasicDialect::V7, 0x4001, {"0 POINTER(A):COLLISION1:STASH1,2,3"}},
    };
    const std::pair<std::uint16_t, BasicDialect> dialects[] = {
        {0x0801, BasicDialect::V2},  {0x1201, BasicDialect::V2}, {0x0401, BasicDialect::V4},
        {0x1001, BasicDialect::V35}, {0x1C01, BasicDialect::V7}, {0x4001, BasicDialect::V7},
        {0xC000, BasicDialect::V2}};
    for (const auto& [address, dialect] : dialects) EXPECT_EQ(basicDialect(address), dialect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.front());
        const Bytes file = tokenize(c.lines, c.dialect, c.address);
        Words expected;
        for (const std::string& line : c.lines) expected.push_back(withArrow(line));
        EXPECT_EQ(listed(file), expected);
    }
}

// Written byte by byte from the published token values, compared with LIST's output by hand.
TEST(BasicListing, ListsHandWrittenProgramsAsTheMachinesDo) {
    const std::pair<Bytes, Words> cases[] = {
        {{0x01, 0x08, 0x0E, 0x08, 0x0A, 0x00, 0x99, 0x22, 0x48, 0x45, 0x4C, 0x4C, 0x4F,
          0x22, 0x00, 0x16, 0x08, 0x14, 0x00, 0x89, 0x31, 0x30, 0x00, 0x00, 0x00},
         {"10 PRINT\"HELLO\"", "20 GOTO10"}},
        {{0x01, 0x04, 0x10, 0x04, 0x0A, 0x00, 0xCD, 0x23, 0x31, 0x2C, 0x22, 0x44, 0x41, 0x54, 0x41,
          0x22, 0x00, 0x00, 0x00},
         {"10 DOPEN#1,\"DATA\""}},
        {{0x01, 0x10, 0x0D, 0x10, 0x0A, 0x00, 0xDE, 0x31, 0x3A, 0xE7, 0x30, 0x2C, 0x32,
          0x00, 0x17, 0x10, 0x14, 0x00, 0xEB, 0x3A, 0xEC, 0xFC, 0x41, 0x00, 0x00, 0x00},
         {"10 GRAPHIC1:COLOR0,2", "20 DO:LOOPUNTILA"}},
        {{0x01, 0x1C, 0x12, 0x1C, 0x0A, 0x00, 0xFE, 0x02, 0x31, 0x35, 0x3A, 0x41, 0xB2, 0xCE,
          0x02, 0x28, 0x31, 0x29, 0x00, 0x19, 0x1C, 0x14, 0x00, 0xFE, 0x25, 0x00, 0x00, 0x00},
         {"10 BANK15:A=POT(1)", "20 FAST"}},
        // A SYS stub and the machine code after it.
        {{0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32, 0x30, 0x36, 0x31, 0x00, 0x00, 0x00, 0xEE,
          0x20, 0xD0, 0x60},
         {"10 SYS2061", "", "080D  EE 20 D0  INC $D020", "0810  60        RTS"}},
        // The second set: keywords in lower case, as the screen shows them there.
    };
    for (const auto& [file, lines] : cases) EXPECT_EQ(listed(file), lines);
    EXPECT_EQ(listed(cases[0].first, 1), (Words{"10 print\"hello\"", "20 goto10"}));
}

TEST(BasicListing, ShowsControlCharactersInQuotesAsTheirReverseCharacters) {
    // 10 PRINT"{CLR}{DOWN}"  then $FF, pi, outside the quotes
    const Bytes program = {0x0B, 0x08, 0x0A, 0x00, 0x99, 0x22, 0x93, 0x11, 0x22, 0xFF, 0x00};
    std::u16string text;
    appendBasicListing(text, program.data(), program.size(), 0x0801, 0);
    const std::u16string reverseHeart(1, static_cast<char16_t>(0xEE80 + 0x53));
    const std::u16string reverseQ(1, static_cast<char16_t>(0xEE80 + 0x11));
    EXPECT_NE(text.find(reverseHeart + reverseQ), std::u16string::npos);
    EXPECT_EQ(toUtf8(readableText(text, u"\n")), "10 PRINT\"♥Q\"π\n");
}

TEST(BasicListing, EndsQuicklyOnHostilePrograms) {
    Bytes everyToken = {0x01, 0x1C, 0x01, 0x1C, 0x01, 0x00};
    for (unsigned b = 0x80; b <= 0xFF; ++b) everyToken.push_back(static_cast<std::uint8_t>(b));
    everyToken.insert(everyToken.end(), {0x00, 0x00, 0x00});
    // Every link points back at the first line: lines follow their zero ends regardless.
    const Bytes looped = {0x01, 0x08, 0x01, 0x08, 0x0A, 0x00, 0x80, 0x00,
                          0x01, 0x08, 0x14, 0x00, 0x81, 0x00, 0x00, 0x00};
    const struct {
        Bytes file;
        Words lines;
    } cases[] = {
        {{0x01, 0x08, 0x09, 0x08, 0x0A, 0x00, 0x80, 0x00, 0x0F, 0x08, 0x14, 0x00, 0x99, 0x22},
         {"10 END", "20 PRINT\""}},  // no end: the file's end ends it
        {looped, {"10 END", "20 FOR"}},
        {{0x01, 0x1C, 0x07, 0x1C, 0x0A, 0x00, 0xFE}, {"10 [$FE]"}},  // a prefix at the file's end
        {{0x01, 0x1C, 0x09, 0x1C, 0x0A, 0x00, 0xCE, 0x7F, 0x00, 0x00, 0x00}, {"10 [$CE7F]"}},
        {{0x01, 0x08, 0x07, 0x08, 0x0A, 0x00, 0xCC, 0x00, 0x00, 0x00}, {"10 [$CC]"}},
        {{0x01, 0x08, 0x09}, {"", "0801  09        .BYTE $09"}},  // a byte too few for any line
    };
    for (const auto& c : cases) EXPECT_EQ(listed(c.file), c.lines);

    const Words all = listed(everyToken);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].rfind("1 END", 0), 0u);
    // BASIC 7.0's prefixes take the byte after them along.
    EXPECT_NE(all[0].find("[$CECF]"), std::string::npos);
    EXPECT_NE(all[0].find("[$FEFF]"), std::string::npos);

    const Bytes ff(65536, 0xFF);
    const Words ffLines = listed(ff);
    ASSERT_EQ(ffLines.size(), 1u);  // line 65535 of pi after pi
    EXPECT_EQ(ffLines[0].rfind("65535 ππ", 0), 0u);
}

}  // namespace
}  // namespace qvx
