#pragma once
// JSON text read into a tree of values: what the glTF reader needs, with limits
// that keep hostile input from exhausting the stack or the memory.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vgx::json {

// Text that is not one well-formed JSON value: what() says where and why.
struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Kind : uint8_t { Null, Boolean, Number, String, Array, Object };

struct Value {
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;                                    // a string's content, escapes decoded
    std::vector<Value> items;                            // an array's elements, or an object's member values
    std::vector<std::string> keys;                       // an object's member names, one per value, in file order

    // The member of that name (the first one), or nullptr; nullptr also when this
    // is not an object.
    const Value* Find(std::string_view key) const;
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsString() const { return kind == Kind::String; }
    bool IsArray() const { return kind == Kind::Array; }
    bool IsObject() const { return kind == Kind::Object; }
};

// Nesting deeper than this is refused rather than followed.
inline constexpr int kMaxDepth = 64;

// The one value `text` holds, surrounded by nothing but white space; UTF-8 is
// passed through, \u escapes become UTF-8.
Value Parse(std::string_view text);

}  // namespace vgx::json
