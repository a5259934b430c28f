// JSON strings: escapes for the characters JSON requires, nothing else changed.
#include "cli/json_text.h"

namespace qvx::cli {
namespace {
constexpr char kHexDigits[] = "0123456789abcdef";
}  // namespace

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (b < 0x20) {
            out += "\\u00";
            out += kHexDigits[b >> 4];
            out += kHexDigits[b & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendJsonHex(std::string& out, const std::uint8_t* bytes, std::size_t count) {
    out += '"';
    for (std::size_t i = 0; i < count; ++i) {
        out += kHexDigits[bytes[i] >> 4];
        out += kHexDigits[bytes[i] & 0xF];
    }
    out += '"';
}

std::string& JsonObject::value(std::string_view key) {
    if (!first_) out_ += ',';
    first_ = false;
    appendJsonString(out_, key);
    out_ += ':';
    return out_;
}

}  // namespace qvx::cli
