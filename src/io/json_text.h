#pragma once
// JSON written as it goes: objects, arrays, keys and values, with the commas in
// their places and numbers in their shortest exact form.
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vgx {

class JsonText {
public:
    JsonText& BeginObject() { return Open('{'); }
    JsonText& EndObject() { return Close('}'); }
    JsonText& BeginArray() { return Open('['); }
    JsonText& EndArray() { return Close(']'); }

    JsonText& Key(std::string_view key) {
        String(key);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }

    JsonText& String(std::string_view value) {
        Separate();
        out_ += '"';
        for (const char c : value) {
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char kHex[] = "0123456789abcdef";
                out_ += "\\u00";
                out_ += kHex[(c >> 4) & 0xf];
                out_ += kHex[c & 0xf];
            } else {
                out_ += c;
            }
        }
        out_ += '"';
        return *this;
    }

    // Whole numbers, and floats as the shortest text that reads back to the same float.
    JsonText& Number(int64_t value) { return Write(value); }
    JsonText& Number(float value) { return Write(value); }

    JsonText& Bool(bool value) {
        Separate();
        out_ += value ? "true" : "false";
        return *this;
    }

    JsonText& Numbers(const float* values, size_t count) {
        BeginArray();
        for (size_t i = 0; i < count; ++i) Number(values[i]);
        return EndArray();
    }

    const std::string& Text() const { return out_; }

private:
    JsonText& Open(char bracket) {
        Separate();
        out_ += bracket;
        first_.push_back(true);
        return *this;
    }

    JsonText& Close(char bracket) {
        out_ += bracket;
        first_.pop_back();
        return *this;
    }

    // A comma before every value but the first of its object or array; none after a key.
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }

    template <class Value>
    JsonText& Write(Value value) {
        Separate();
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value);
        out_.append(text, result.ptr);
        return *this;
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

}  // namespace vgx
