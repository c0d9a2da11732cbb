#pragma once
// Binary .x bodies: little-endian 16-bit token codes, some with data after them.
// Numbers come in integer lists and float lists (32- or 64-bit, as the header
// says), handed out one value at a time; a float read from an integer list is the
// integer, so a writer that lists a whole-number field either way is read alike.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/xfile_tokens.h"

namespace vgx::xfile {

class BinaryTokens {
public:
    BinaryTokens(const uint8_t* begin, const uint8_t* end, bool doubles)
        : begin_(begin), pos_(begin), end_(end), floatSize_(doubles ? 8 : 4) {}

    Token Peek() {
        while (listLeft_ == 0) {
            if (Remaining() < 2) {
                if (pos_ != end_) Fail("the file ends inside a token");
                return Token::End;
            }
            const uint16_t code = U16(pos_);
            switch (code) {
                case kName: return Token::Name;
                case kString: return Token::String;
                case kGuid: return Token::Guid;
                case kOBrace: return Token::OBrace;
                case kCBrace: return Token::CBrace;
                case kTemplate: return Token::Template;
                case kComma: case kSemicolon: pos_ += 2; break;
                case kInteger: case kIntegerList: case kFloatList: OpenList(code); break;
                default:
                    if ((code >= 12 && code <= 18) || (code >= 40 && code <= 52)) return Token::Other;
                    Fail("unknown token code " + std::to_string(code));
            }
        }
        return Token::Number;
    }

    std::string_view TakeName() {
        if (Peek() != Token::Name) Fail("expected a name");
        return TakeCounted();
    }
    std::string_view TakeString() {
        if (Peek() != Token::String) Fail("expected a string");
        return TakeCounted();
    }

    uint32_t TakeUInt() {
        if (Peek() != Token::Number) Fail("expected an integer");
        if (!listFloats_) return TakeListU32();
        const float value = TakeFloat();
        if (!(value >= 0 && value <= 4294967295.0f) || value != std::floor(value)) Fail("expected an integer");
        return static_cast<uint32_t>(value);
    }

    float TakeFloat() {
        if (Peek() != Token::Number) Fail("expected a number");
        if (!listFloats_) return static_cast<float>(TakeListU32());
        --listLeft_;
        if (floatSize_ == 4) {
            float value;
            std::memcpy(&value, pos_, 4);
            pos_ += 4;
            return value;
        }
        double value;
        std::memcpy(&value, pos_, 8);
        pos_ += 8;
        return static_cast<float>(value);
    }

    void Skip() {
        switch (Peek()) {
            case Token::End: return;
            case Token::Name: case Token::String: TakeCounted(); return;
            case Token::Guid:
                if (Remaining() < 18) Fail("the file ends inside a GUID");
                pos_ += 18;
                return;
            case Token::Number:
                --listLeft_;
                pos_ += listFloats_ ? floatSize_ : 4;
                return;
            default: pos_ += 2; return;
        }
    }
    void SkipValues() {
        if (Peek() != Token::Number) return Skip();
        pos_ += listLeft_ * (listFloats_ ? floatSize_ : 4);
        listLeft_ = 0;
    }

    size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
    static constexpr size_t kMinBytesPerValue = 4;

    [[noreturn]] void Fail(const std::string& why) const;

private:
    enum Code : uint16_t {
        kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
        kOBrace = 10, kCBrace = 11, kComma = 19, kSemicolon = 20, kTemplate = 31,
    };

    static uint16_t U16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
    static uint32_t U32(const uint8_t* at) {
        uint32_t value;
        std::memcpy(&value, at, 4);
        return value;
    }

    // A list's whole extent is checked here, so its values are read unchecked.
    void OpenList(uint16_t code) {
        if (code == kInteger) {
            if (Remaining() < 6) Fail("the file ends inside an integer");
            pos_ += 2;
            listLeft_ = 1;
            listFloats_ = false;
            return;
        }
        if (Remaining() < 6) Fail("the file ends inside a list");
        const uint32_t count = U32(pos_ + 2);
        const size_t size = code == kFloatList ? floatSize_ : 4;
        pos_ += 6;
        if (count > Remaining() / size) Fail("a list of " + std::to_string(count) + " numbers runs past the end of the file");
        listLeft_ = count;
        listFloats_ = code == kFloatList;
    }

    uint32_t TakeListU32() {
        --listLeft_;
        const uint32_t value = U32(pos_);
        pos_ += 4;
        return value;
    }

    // A name or string: token code, 32-bit length, bytes.
    std::string_view TakeCounted() {
        if (Remaining() < 6) Fail("the file ends inside a name");
        const uint32_t length = U32(pos_ + 2);
        pos_ += 6;
        if (length > Remaining()) Fail("a name of " + std::to_string(length) + " bytes runs past the end of the file");
        const char* start = reinterpret_cast<const char*>(pos_);
        pos_ += length;
        return {start, length};
    }

    const uint8_t* begin_;
    const uint8_t* pos_;
    const uint8_t* end_;
    size_t floatSize_;
    uint32_t listLeft_ = 0;  // values left in the open list
    bool listFloats_ = false;
};

}  // namespace vgx::xfile
