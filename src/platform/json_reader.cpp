#include "platform/json_reader.h"

#include <cmath>
#include <cstdlib>

namespace vgx::json {

const Value* Value::Find(std::string_view key) const {
    if (kind != Kind::Object) return nullptr;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return &items[i];
    }
    return nullptr;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Value Document() {
        Value value = Read(0);
        SkipSpace();
        if (at_ != text_.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const char* why) const {
        throw ParseError("JSON: " + std::string(why) + " at byte " + std::to_string(at_));
    }

    void SkipSpace() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    char Peek() {
        SkipSpace();
        if (at_ >= text_.size()) Fail("unexpected end");
        return text_[at_];
    }

    void Expect(char c) {
        if (Peek() != c) Fail("unexpected character");
        ++at_;
    }

    void Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) Fail("unknown word");
        at_ += word.size();
    }

    // The comma-separated entries of an object or array up to `close`, the opening
    // bracket under the cursor.
    template <class ReadEntry>
    void Sequence(char close, ReadEntry readEntry) {
        ++at_;
        if (Peek() == close) {
            ++at_;
            return;
        }
        for (;;) {
            readEntry();
            if (Peek() != ',') break;
            ++at_;
        }
        Expect(close);
    }

    Value Read(int depth) {
        if (depth > kMaxDepth) Fail("nesting too deep");
        Value value;
        switch (Peek()) {
            case '{':
                value.kind = Kind::Object;
                Sequence('}', [&] {
                    if (Peek() != '"') Fail("object key expected");
                    value.keys.push_back(String());
                    Expect(':');
                    value.items.push_back(Read(depth + 1));
                });
                break;
            case '[':
                value.kind = Kind::Array;
                Sequence(']', [&] { value.items.push_back(Read(depth + 1)); });
                break;
            case '"':
                value.kind = Kind::String;
                value.text = String();
                break;
            case 't':
                Word("true");
                value.kind = Kind::Boolean;
                value.boolean = true;
                break;
            case 'f':
                Word("false");
                value.kind = Kind::Boolean;
                break;
            case 'n':
                Word("null");
                break;
            default:
                value.kind = Kind::Number;
                value.number = Number();
                break;
        }
        return value;
    }

    double Number() {
        const size_t start = at_;
        auto digits = [&] {
            const size_t first = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
            if (at_ == first) Fail("digit expected");
        };
        if (text_[at_] == '-') ++at_;
        digits();
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            digits();
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            digits();
        }
        // strtod needs a terminated copy; numbers are short.
        const std::string number(text_.substr(start, at_ - start));
        const double value = std::strtod(number.c_str(), nullptr);
        if (!std::isfinite(value)) Fail("number out of range");
        return value;
    }

    uint32_t Hex4() {
        if (text_.size() - at_ < 4) Fail("short \\u escape");
        uint32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            code <<= 4;
            if (c >= '0' && c <= '9') {
                code |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                Fail("bad \\u escape");
            }
        }
        return code;
    }

    static void AppendUtf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string String() {
        ++at_;  // the opening quote
        std::string out;
        for (;;) {
            if (at_ >= text_.size()) Fail("unterminated string");
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) Fail("unterminated string");
            const char escape = text_[at_++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t code = Hex4();
                    // A surrogate pair makes one code point; a lone half becomes U+FFFD.
                    if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
                        at_ += 2;
                        const uint32_t low = Hex4();
                        code =
                            low >= 0xDC00 && low < 0xE000 ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
                    } else if (code >= 0xD800 && code < 0xE000) {
                        code = 0xFFFD;
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    Fail("bad escape");
            }
        }
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

Value Parse(std::string_view text) { return Parser(text).Document(); }

}  // namespace vgx::json
