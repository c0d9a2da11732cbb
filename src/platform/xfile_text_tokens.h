#pragma once
// Text .x bodies: words, numbers, "strings", <GUIDs> and braces. ',' and ';' are
// read as blanks, which is as lenient as D3DX about missing and extra separators.
// Comments run from // or # to the end of the line.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "platform/xfile_tokens.h"

namespace vgx::xfile {

class TextTokens {
public:
    TextTokens(const uint8_t* begin, const uint8_t* end)
        : begin_(reinterpret_cast<const char*>(begin)), pos_(begin_), end_(reinterpret_cast<const char*>(end)) {}

    Token Peek() {
        for (;;) {
            if (pos_ == end_) return Token::End;
            const char c = *pos_;
            if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == ';') {
                ++pos_;
            } else if (c == '#' || (c == '/' && end_ - pos_ > 1 && pos_[1] == '/')) {
                const void* eol = std::memchr(pos_, '\n', static_cast<size_t>(end_ - pos_));
                pos_ = eol ? static_cast<const char*>(eol) + 1 : end_;
            } else {
                break;
            }
        }
        const unsigned char c = static_cast<unsigned char>(*pos_);
        switch (c) {
            case '{': return Token::OBrace;
            case '}': return Token::CBrace;
            case '"': return Token::String;
            case '<': return Token::Guid;
            case '-': case '+': case '.': return Token::Number;
            default: break;
        }
        if (c >= '0' && c <= '9') return Token::Number;
        if (!IsWordChar(c)) return Token::Other;
        const char* word = WordEnd(pos_);
        return std::string_view(pos_, static_cast<size_t>(word - pos_)) == "template" ? Token::Template : Token::Name;
    }

    // A word: an object's type, its name (which may start with a digit) or a reference.
    std::string_view TakeName() {
        const Token next = Peek();
        if (next != Token::Name && next != Token::Number) Fail("expected a name");
        const char* start = pos_;
        pos_ = WordEnd(pos_);
        return {start, static_cast<size_t>(pos_ - start)};
    }

    std::string_view TakeString() {
        if (Peek() != Token::String) Fail("expected a \"string\"");
        const char* start = pos_ + 1;
        const void* close = std::memchr(start, '"', static_cast<size_t>(end_ - start));
        if (!close) Fail("string without its closing quote");
        pos_ = static_cast<const char*>(close) + 1;
        return {start, static_cast<size_t>(pos_ - 1 - start)};
    }

    uint32_t TakeUInt() {
        if (Peek() != Token::Number) Fail("expected an integer");
        const char* p = pos_;
        if (*p == '+') ++p;
        uint64_t value = 0;
        const char* digits = p;
        while (p < end_ && *p >= '0' && *p <= '9' && p - digits < 11) value = value * 10 + static_cast<uint64_t>(*p++ - '0');
        if (p == digits || value > std::numeric_limits<uint32_t>::max() || (p < end_ && IsWordChar(static_cast<unsigned char>(*p))))
            Fail("expected an integer from 0 to 4294967295");
        pos_ = p;
        return static_cast<uint32_t>(value);
    }

    float TakeFloat() {
        if (Peek() != Token::Number) Fail("expected a number");
        const char* p = pos_ + (*pos_ == '+');
        float value = 0;
        const auto [next, error] = std::from_chars(p, end_, value);
        if (error != std::errc()) Fail("expected a number");
        pos_ = next;
        // Old Microsoft runtimes print 1.#QNAN0, -1.#IND00 and 1.#INF00.
        if (pos_ < end_ && *pos_ == '#') {
            const char* word = WordEnd(pos_ + 1);
            const bool infinite = word - pos_ >= 4 && std::memcmp(pos_ + 1, "INF", 3) == 0;
            const float special = infinite ? std::numeric_limits<float>::infinity() : std::numeric_limits<float>::quiet_NaN();
            value = value < 0 ? -special : special;
            pos_ = word;
        }
        if (pos_ < end_ && IsWordChar(static_cast<unsigned char>(*pos_))) Fail("expected a number");
        return value;
    }

    void Skip() {
        switch (Peek()) {
            case Token::End: return;
            case Token::String: TakeString(); return;
            case Token::Guid: {
                const void* close = std::memchr(pos_, '>', static_cast<size_t>(end_ - pos_));
                if (!close) Fail("GUID without its closing '>'");
                pos_ = static_cast<const char*>(close) + 1;
                return;
            }
            case Token::Name: case Token::Number: case Token::Template: pos_ = WordEnd(pos_); return;
            default: ++pos_; return;
        }
    }
    void SkipValues() { Skip(); }

    size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
    static constexpr size_t kMinBytesPerValue = 1;

    [[noreturn]] void Fail(const std::string& why) const;

private:
    static bool IsWordChar(unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == '+' || c >= 0x80;
    }
    const char* WordEnd(const char* from) const {
        while (from < end_ && IsWordChar(static_cast<unsigned char>(*from))) ++from;
        return from;
    }

    const char* begin_;
    const char* pos_;
    const char* end_;
};

}  // namespace vgx::xfile
