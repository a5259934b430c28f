// JSON strings: escapes for the characters JSON requires, nothing else changed.
#include "cli/json_text.h"

namespace qvx::cli {
namespace {
constexpr char kHexDigits[] = "0123456789abcdef";
}  // namespace

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    std::size_t plain = 0;  // start of the run of bytes that need no escape
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x20 && b != '"' && b != '\\') continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        out += '\\';
        switch (b) {
            case '"':
            case '\\':
                out += static_cast<char>(b);
                break;
            case '\n':
                out += 'n';
                break;
            case '\t':
                out += 't';
                break;
            case '\r':
                out += 'r';
                break;
            default:
                out += "u00";
                out += kHexDigits[b >> 4];
                out += kHexDigits[b & 0xF];
        }
    }
    out.append(utf8, plain, utf8.size() - plain);
    out += '"';
}

void appendJsonHex(std::string& out, const std::uint8_t* bytes, std::size_t count) {
    const std::size_t at = out.size();
    out.resize(at + 2 * count + 2);
    char* p = &out[at];
    *p++ = '"';
    for (std::size_t i = 0; i < count; ++i) {
        *p++ = kHexDigits[bytes[i] >> 4];
        *p++ = kHexDigits[bytes[i] & 0xF];
    }
    *p = '"';
}

std::string& JsonObject::value(std::string_view key) {
    // Keys are this program's own words: nothing in them to escape.
    out_ += first_ ? "\"" : ",\"";
    first_ = false;
    out_ += key;
    out_ += "\":";
    return out_;
}

}  // namespace qvx::cli
