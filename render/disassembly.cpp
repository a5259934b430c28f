// The documented 6502 opcodes, compiled into a table of mnemonic and addressing mode per byte.
#include "render/disassembly.h"

#include <array>
#include <string_view>

#include "render/petscii.h"

namespace qvx {
namespace {

enum Mode : std::uint8_t { Imp, Acc, Imm, Zp, Zpx, Zpy, Abs, Abx, Aby, Ind, Izx, Izy, Rel };

// Each mode's operand: its bytes, and what stands before and after its value in hexadecimal (a
// branch shows its target, four digits).
struct ModeText {
    std::uint8_t bytes;
    char before[4];
    char after[4];
};
constexpr ModeText kModes[] = {
    {0, "", ""},       {0, "", ""},       {1, " #$", ""},  {1, " $", ""},   {1, " $", ",X"},
    {1, " $", ",Y"},   {2, " $", ""},     {2, " $", ",X"}, {2, " $", ",Y"}, {2, " ($", ")"},
    {1, " ($", ",X)"}, {1, " ($", "),Y"}, {1, " $", ""},
};

constexpr int operandDigits(Mode mode) {
    return mode == Rel ? 4 : 2 * kModes[mode].bytes;
}

// The source of the table below; only the table is kept in the module.
struct Opcode {
    std::uint8_t code;
    char name[4];
    Mode mode;
};

constexpr Opcode kDocumented[] = {
    {0x69, "ADC", Imm}, {0x65, "ADC", Zp},  {0x75, "ADC", Zpx}, {0x6D, "ADC", Abs},
    {0x7D, "ADC", Abx}, {0x79, "ADC", Aby}, {0x61, "ADC", Izx}, {0x71, "ADC", Izy},
    {0x29, "AND", Imm}, {0x25, "AND", Zp},  {0x35, "AND", Zpx}, {0x2D, "AND", Abs},
    {0x3D, "AND", Abx}, {0x39, "AND", Aby}, {0x21, "AND", Izx}, {0x31, "AND", Izy},
    {0x0A, "ASL", Acc}, {0x06, "ASL", Zp},  {0x16, "ASL", Zpx}, {0x0E, "ASL", Abs},
    {0x1E, "ASL", Abx}, {0x90, "BCC", Rel}, {0xB0, "BCS", Rel}, {0xF0, "BEQ", Rel},
    {0x30, "BMI", Rel}, {0xD0, "BNE", Rel}, {0x10, "BPL", Rel}, {0x50, "BVC", Rel},
    {0x70, "BVS", Rel}, {0x24, "BIT", Zp},  {0x2C, "BIT", Abs}, {0x00, "BRK", Imp},
    {0x18, "CLC", Imp}, {0xD8, "CLD", Imp}, {0x58, "CLI", Imp}, {0xB8, "CLV", Imp},
    {0xC9, "CMP", Imm}, {0xC5, "CMP", Zp},  {0xD5, "CMP", Zpx}, {0xCD, "CMP", Abs},
    {0xDD, "CMP", Abx}, {0xD9, "CMP", Aby}, {0xC1, "CMP", Izx}, {0xD1, "CMP", Izy},
    {0xE0, "CPX", Imm}, {0xE4, "CPX", Zp},  {0xEC, "CPX", Abs}, {0xC0, "CPY", Imm},
    {0xC4, "CPY", Zp},  {0xCC, "CPY", Abs}, {0xC6, "DEC", Zp},  {0xD6, "DEC", Zpx},
    {0xCE, "DEC", Abs}, {0xDE, "DEC", Abx}, {0xCA, "DEX", Imp}, {0x88, "DEY", Imp},
    {0x49, "EOR", Imm}, {0x45, "EOR", Zp},  {0x55, "EOR", Zpx}, {0x4D, "EOR", Abs},
    {0x5D, "EOR", Abx}, {0x59, "EOR", Aby}, {0x41, "EOR", Izx}, {0x51, "EOR", Izy},
    {0xE6, "INC", Zp},  {0xF6, "INC", Zpx}, {0xEE, "INC", Abs}, {0xFE, "INC", Abx},
    {0xE8, "INX", Imp}, {0xC8, "INY", Imp}, {0x4C, "JMP", Abs}, {0x6C, "JMP", Ind},
    {0x20, "JSR", Abs}, {0xA9, "LDA", Imm}, {0xA5, "LDA", Zp},  {0xB5, "LDA", Zpx},
    {0xAD, "LDA", Abs}, {0xBD, "LDA", Abx}, {0xB9, "LDA", Aby}, {0xA1, "LDA", Izx},
    {0xB1, "LDA", Izy}, {0xA2, "LDX", Imm}, {0xA6, "LDX", Zp},  {0xB6, "LDX", Zpy},
    {0xAE, "LDX", Abs}, {0xBE, "LDX", Aby}, {0xA0, "LDY", Imm}, {0xA4, "LDY", Zp},
    {0xB4, "LDY", Zpx}, {0xAC, "LDY", Abs}, {0xBC, "LDY", Abx}, {0x4A, "LSR", Acc},
    {0x46, "LSR", Zp},  {0x56, "LSR", Zpx}, {0x4E, "LSR", Abs}, {0x5E, "LSR", Abx},
    {0xEA, "NOP", Imp}, {0x09, "ORA", Imm}, {0x05, "ORA", Zp},  {0x15, "ORA", Zpx},
    {0x0D, "ORA", Abs}, {0x1D, "ORA", Abx}, {0x19, "ORA", Aby}, {0x01, "ORA", Izx},
    {0x11, "ORA", Izy}, {0x48, "PHA", Imp}, {0x08, "PHP", Imp}, {0x68, "PLA", Imp},
    {0x28, "PLP", Imp}, {0x2A, "ROL", Acc}, {0x26, "ROL", Zp},  {0x36, "ROL", Zpx},
    {0x2E, "ROL", Abs}, {0x3E, "ROL", Abx}, {0x6A, "ROR", Acc}, {0x66, "ROR", Zp},
    {0x76, "ROR", Zpx}, {0x6E, "ROR", Abs}, {0x7E, "ROR", Abx}, {0x40, "RTI", Imp},
    {0x60, "RTS", Imp}, {0xE9, "SBC", Imm}, {0xE5, "SBC", Zp},  {0xF5, "SBC", Zpx},
    {0xED, "SBC", Abs}, {0xFD, "SBC", Abx}, {0xF9, "SBC", Aby}, {0xE1, "SBC", Izx},
    {0xF1, "SBC", Izy}, {0x38, "SEC", Imp}, {0xF8, "SED", Imp}, {0x78, "SEI", Imp},
    {0x85, "STA", Zp},  {0x95, "STA", Zpx}, {0x8D, "STA", Abs}, {0x9D, "STA", Abx},
    {0x99, "STA", Aby}, {0x81, "STA", Izx}, {0x91, "STA", Izy}, {0x86, "STX", Zp},
    {0x96, "STX", Zpy}, {0x8E, "STX", Abs}, {0x84, "STY", Zp},  {0x94, "STY", Zpx},
    {0x8C, "STY", Abs}, {0xAA, "TAX", Imp}, {0xA8, "TAY", Imp}, {0xBA, "TSX", Imp},
    {0x8A, "TXA", Imp}, {0x9A, "TXS", Imp}, {0x98, "TYA", Imp},
};
static_assert(std::size(kDocumented) == 151);

constexpr std::size_t kMnemonicCount = 56;

// Per byte: its mnemonic's number + 1 (0 for no documented opcode) and its mode; the mnemonics
// three letters each.
struct OpcodeTable {
    std::array<char, 3 * kMnemonicCount> names{};
    std::array<std::uint8_t, 256> mnemonic{};
    std::array<std::uint8_t, 128> modes{};  // two a byte, the even opcode's in the low half
    constexpr Mode mode(std::uint8_t code) const {
        return static_cast<Mode>(modes[code / 2] >> (code % 2 * 4) & 0xF);
    }
};

constexpr OpcodeTable makeOpcodeTable() {
    OpcodeTable table;
    std::size_t count = 0;
    for (const Opcode& op : kDocumented) {
        std::size_t n = 0;
        while (n < count &&
               !(table.names[3 * n] == op.name[0] && table.names[3 * n + 1] == op.name[1] &&
                 table.names[3 * n + 2] == op.name[2]))
            ++n;
        if (n == count) {
            for (std::size_t i = 0; i < 3; ++i) table.names[3 * n + i] = op.name[i];
            ++count;
        }
        table.mnemonic[op.code] = static_cast<std::uint8_t>(n + 1);
        table.modes[op.code / 2] |= static_cast<std::uint8_t>(op.mode << (op.code % 2 * 4));
    }
    return table;
}
constexpr OpcodeTable kOpcodes = makeOpcodeTable();
static_assert(kOpcodes.names[3 * (kMnemonicCount - 1)] != 0);

// The instruction at bytes[at]: its mnemonic's number + 1 (0 for a byte shown as such), its
// mode and the bytes taken.
struct Decoded {
    std::uint8_t mnemonic;
    Mode mode;
    std::size_t taken;
};

Decoded decode(const std::uint8_t* bytes, std::size_t at, std::size_t size) {
    const std::uint8_t b = bytes[at];
    const Mode mode = kOpcodes.mode(b);
    const std::size_t length = 1u + kModes[mode].bytes;
    if (kOpcodes.mnemonic[b] == 0 || length > size - at) return {0, Imp, 1};
    return {kOpcodes.mnemonic[b], mode, length};
}

// Each mode's operand in characters, counted once here rather than for every line.
constexpr std::array<std::uint8_t, std::size(kModes)> makeOperandChars() {
    std::array<std::uint8_t, std::size(kModes)> chars{};
    for (std::size_t mode = 0; mode < chars.size(); ++mode)
        chars[mode] = static_cast<std::uint8_t>(std::string_view(kModes[mode].before).size() +
                                                operandDigits(static_cast<Mode>(mode)) +
                                                std::string_view(kModes[mode].after).size());
    return chars;
}
constexpr std::array<std::uint8_t, std::size(kModes)> kOperandChars = makeOperandChars();

// The characters of a line with its break: "C000  A9 00 00  ", then the mnemonic and operand or
// ".BYTE $xx".
std::size_t lineChars(const Decoded& d) {
    return d.mnemonic == 0 ? 16 + 9 + 1 : 16 + 3 + kOperandChars[d.mode] + 1;
}

// Writes straight into the text through a glyph per ASCII code, looked up once a call: a line
// laid out first and converted after costs twice the time on a long program.
struct GlyphWriter {
    char16_t* to;
    std::array<char16_t, 64> glyph;  // from the space to the underscore, all a line uses

    void put(char c) { *to++ = glyph[static_cast<unsigned char>(c - ' ') & 0x3F]; }
    void put(const char* s) {
        while (*s != 0) put(*s++);
    }
    void hex(unsigned value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            put("0123456789ABCDEF"[(value >> shift) & 0xF]);
    }
};

}  // namespace

void appendDisassembly(std::u16string& out, const std::uint8_t* bytes, std::size_t size,
                       std::uint32_t address, int charSet) {
    // Sized once and written in place: a long text grown line by line costs more than writing it.
    std::size_t chars = 0;
    for (std::size_t at = 0; at < size;) {
        const Decoded d = decode(bytes, at, size);
        chars += lineChars(d);
        at += d.taken;
    }
    const std::size_t start = out.size();
    out.append(chars, u'\0');  // not resize: less code inlined, and the module is full
    GlyphWriter line;
    line.to = &out[start];
    for (std::size_t c = 0; c < line.glyph.size(); ++c) {
        const char ascii = static_cast<char>(' ' + c);
        writeFontText(&line.glyph[c], std::string_view(&ascii, 1), charSet);
    }
    for (std::size_t at = 0; at < size;) {
        const std::uint32_t here = (address + static_cast<std::uint32_t>(at)) & 0xFFFF;
        const auto [mnemonic, mode, taken] = decode(bytes, at, size);
        line.hex(here, 4);
        line.put("  ");
        for (std::size_t i = 0; i < 3; ++i) {
            if (i < taken) {
                line.hex(bytes[at + i], 2);
            } else {
                line.put("  ");
            }
            line.put(' ');
        }
        line.put(' ');
        if (mnemonic == 0) {
            line.put(".BYTE $");
            line.hex(bytes[at], 2);
        } else {
            for (std::size_t i = 0; i < 3; ++i) line.put(kOpcodes.names[3 * (mnemonic - 1) + i]);
            const ModeText& text = kModes[mode];
            line.put(text.before);
            if (taken > 1) {
                unsigned value = taken == 2 ? bytes[at + 1] : bytes[at + 1] | bytes[at + 2] << 8;
                if (mode == Rel) value = (here + 2 + static_cast<std::int8_t>(value)) & 0xFFFF;
                line.hex(value, operandDigits(mode));
            }
            line.put(text.after);
        }
        *line.to++ = u'\r';
        at += taken;
    }
}

}  // namespace qvx
