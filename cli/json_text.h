// The few pieces of JSON the qvx command writes, appended to a UTF-8 buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvx::cli {

// A JSON string of UTF-8 text: quotes around it, '"', '\' and control characters escaped, every
// other byte as it is. The text must be valid UTF-8 (toUtf8 makes it so).
void appendJsonString(std::string& out, std::string_view utf8);

// A JSON string of the bytes in lower-case hexadecimal, two digits a byte.
void appendJsonHex(std::string& out, const std::uint8_t* bytes, std::size_t count);

// Writes one JSON object's members in order into out: "{" now, "}" at close(). Each member
// method writes the key and the value; value() writes the key and leaves the value to the
// caller.
class JsonObject {
  public:
    explicit JsonObject(std::string& out) : out_(out) { out_ += '{'; }

    std::string& value(std::string_view key);
    void string(std::string_view key, std::string_view utf8) { appendJsonString(value(key), utf8); }
    void number(std::string_view key, long long n) { value(key) += std::to_string(n); }
    void boolean(std::string_view key, bool b) { value(key) += b ? "true" : "false"; }
    void null(std::string_view key) { value(key) += "null"; }
    void close() { out_ += '}'; }

  private:
    std::string& out_;
    bool first_ = true;
};

}  // namespace qvx::cli
