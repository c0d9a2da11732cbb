#pragma once
// A glTF 2.0 file (`.gltf` JSON or `.glb` binary) read into its JSON tree and its
// buffers, and the typed access to accessors and buffer views every reader of
// the format needs. Each index and range is checked before it is used; nothing is
// allocated beyond what the file's bytes can hold. Turning the document into a
// scene is the job of src/scene.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/json_reader.h"

namespace vgx::gltf {

// A file that is not a readable glTF 2.0 file: what() says why, for a person.
struct FormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes of a file a URI names relative to the glTF file; nullopt when it
// cannot be read.
using ReadRelative = std::function<std::optional<std::vector<uint8_t>>(const std::string& path)>;

// Whether the bytes start as a binary glTF file does, or as a JSON object.
bool LooksLikeGlb(std::span<const uint8_t> bytes);
bool LooksLikeGltfJson(std::span<const uint8_t> bytes);

// The bytes of a base64 "data:" URI; FormatError for any other.
std::vector<uint8_t> DataUriBytes(const std::string& uri);

// The "%xx" escapes of a relative URI decoded.
std::string DecodeUri(std::string_view uri);

class Document {
public:
    // Raises FormatError for anything but a well-formed glTF 2.0 file whose buffers
    // can all be read and whose required extensions are all in `understood`.
    static Document Parse(std::span<const uint8_t> bytes, const ReadRelative& readRelative,
                          const std::vector<std::string_view>& understood);

    const json::Value& Root() const { return root_; }
    // The elements of a top-level array such as "nodes"; empty when absent.
    const std::vector<json::Value>& Array(std::string_view key) const;
    // The object at `index` of a top-level array; FormatError when out of range.
    const json::Value& Element(std::string_view key, int64_t index) const;

    // An accessor's elements as floats, `components` per element (its type must
    // have that many); normalised integers become 0..1 or -1..1, sparse
    // substitutions are applied. FormatError for a NaN or infinite value.
    std::vector<float> Floats(int64_t accessor, int components) const;
    // An accessor of unsigned integers (any of the three sizes) with `components`
    // per element.
    std::vector<uint32_t> Unsigned(int64_t accessor, int components) const;
    size_t Count(int64_t accessor) const;
    // The bytes of a buffer view.
    std::span<const uint8_t> View(int64_t bufferView) const;

private:
    json::Value root_;
    std::vector<std::vector<uint8_t>> buffers_;
    size_t byteBudget_ = 0;  // accessors without a view may not make more elements than the file has bytes
};

// A value as an index into an array of `size`; FormatError naming `what` when it
// is not an integer in range.
int64_t IndexOf(const json::Value& value, size_t size, std::string_view what);
// An object member as an index into an array of `size`: -1 when absent,
// FormatError when it is not an integer in range.
int64_t Index(const json::Value& object, std::string_view key, size_t size);
// A number member, or `fallback` when absent; FormatError when not a number.
double Number(const json::Value& object, std::string_view key, double fallback);
// A string member, or empty when absent.
std::string Text(const json::Value& object, std::string_view key);
// A member array of exactly `count` numbers into `out`; false when absent.
bool Numbers(const json::Value& object, std::string_view key, float* out, size_t count);

}  // namespace vgx::gltf
