#include "platform/gltf_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vgx::gltf {
namespace {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kJsonChunk = 0x4E4F534A;
constexpr uint32_t kBinChunk = 0x004E4942;

[[noreturn]] void Fail(const std::string& why) { throw FormatError(why); }

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);  // little-endian, as are the machines we build for
    return value;
}

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
}

std::vector<uint8_t> DecodeBase64(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') break;
        const int digit = Base64Digit(c);
        if (digit < 0) Fail("bad base64 data in a data: URI");
        bits = (bits << 6) | static_cast<uint32_t>(digit);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) Fail("bad base64 data in a data: URI");
    if (count >= 2) out.push_back(static_cast<uint8_t>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3) out.push_back(static_cast<uint8_t>(bits >> 2));
    return out;
}

}  // namespace

std::vector<uint8_t> DataUriBytes(const std::string& uri) {
    const size_t comma = uri.find(',');
    if (uri.rfind("data:", 0) != 0 || comma == std::string::npos ||
        uri.substr(0, comma).find(";base64") == std::string::npos) {
        Fail("a data: URI that is not base64");
    }
    return DecodeBase64(std::string_view(uri).substr(comma + 1));
}

namespace {

// The bytes of a buffer URI: embedded base64 data or a file beside the glTF file.
std::vector<uint8_t> UriBytes(const std::string& uri, const ReadRelative& readRelative) {
    if (uri.rfind("data:", 0) == 0) return DataUriBytes(uri);
    const std::string path = DecodeUri(uri);
    auto bytes = readRelative ? readRelative(path) : std::nullopt;
    if (!bytes) Fail("buffer file cannot be read: " + path);
    return std::move(*bytes);
}

int ComponentCount(const std::string& type) {
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    if (type == "VEC4" || type == "MAT2") return 4;
    if (type == "MAT3") return 9;
    if (type == "MAT4") return 16;
    Fail("unknown accessor type " + type);
}

size_t ComponentSize(int64_t componentType) {
    switch (componentType) {
        case 5120:
        case 5121:
            return 1;
        case 5122:
        case 5123:
            return 2;
        case 5125:
        case 5126:
            return 4;
        default:
            Fail("unknown component type " + std::to_string(componentType));
    }
}

bool IsInteger(double value) { return value == std::floor(value) && std::abs(value) < 9.0e15; }

// Component `c` of the element at `at`, as a float.
float Component(const uint8_t* at, int64_t componentType, bool normalized) {
    switch (componentType) {
        case 5126: {
            float value;
            std::memcpy(&value, at, 4);
            return value;
        }
        case 5121:
            return normalized ? *at / 255.0f : *at;
        case 5120: {
            const auto value = static_cast<int8_t>(*at);
            return normalized ? std::max(value / 127.0f, -1.0f) : value;
        }
        case 5123: {
            uint16_t value;
            std::memcpy(&value, at, 2);
            return normalized ? value / 65535.0f : value;
        }
        case 5122: {
            int16_t value;
            std::memcpy(&value, at, 2);
            return normalized ? std::max(value / 32767.0f, -1.0f) : value;
        }
        default: {  // 5125
            uint32_t value;
            std::memcpy(&value, at, 4);
            return static_cast<float>(value);
        }
    }
}

uint32_t UnsignedComponent(const uint8_t* at, int64_t componentType) {
    switch (componentType) {
        case 5121:
            return *at;
        case 5123: {
            uint16_t value;
            std::memcpy(&value, at, 2);
            return value;
        }
        case 5125: {
            uint32_t value;
            std::memcpy(&value, at, 4);
            return value;
        }
        default:
            Fail("an accessor of unsigned integers expected");
    }
}

// Where an accessor's elements lie: one element's bytes start at base + i * stride.
struct Layout {
    const uint8_t* base = nullptr;  // nullptr: every element is zero
    size_t stride = 0;
};

}  // namespace

bool LooksLikeGlb(std::span<const uint8_t> bytes) { return bytes.size() >= 4 && Read32(bytes, 0) == kGlbMagic; }

bool LooksLikeGltfJson(std::span<const uint8_t> bytes) {
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) at = 3;  // UTF-8 mark
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n')) ++at;
    // No other scene format starts as a JSON object does.
    return at < bytes.size() && bytes[at] == '{';
}

std::string DecodeUri(std::string_view uri) {
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const auto hex = [](char c) {
                return c >= '0' && c <= '9'   ? c - '0'
                       : c >= 'a' && c <= 'f' ? c - 'a' + 10
                       : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
            };
            const int high = hex(uri[i + 1]), low = hex(uri[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += uri[i];
    }
    return out;
}

int64_t IndexOf(const json::Value& value, size_t size, std::string_view what) {
    if (!value.IsNumber() || !IsInteger(value.number) || value.number < 0 ||
        value.number >= static_cast<double>(size)) {
        Fail(std::string(what) + " is not an index in range");
    }
    return static_cast<int64_t>(value.number);
}

int64_t Index(const json::Value& object, std::string_view key, size_t size) {
    const json::Value* value = object.Find(key);
    return value ? IndexOf(*value, size, "\"" + std::string(key) + "\"") : -1;
}

double Number(const json::Value& object, std::string_view key, double fallback) {
    const json::Value* value = object.Find(key);
    if (!value) return fallback;
    if (!value->IsNumber()) Fail("\"" + std::string(key) + "\" is not a number");
    return value->number;
}

std::string Text(const json::Value& object, std::string_view key) {
    const json::Value* value = object.Find(key);
    return value && value->IsString() ? value->text : std::string();
}

bool Numbers(const json::Value& object, std::string_view key, float* out, size_t count) {
    const json::Value* value = object.Find(key);
    if (!value) return false;
    if (!value->IsArray() || value->items.size() != count) Fail("\"" + std::string(key) + "\" has the wrong size");
    for (size_t i = 0; i < count; ++i) {
        if (!value->items[i].IsNumber()) Fail("\"" + std::string(key) + "\" holds a non-number");
        out[i] = static_cast<float>(value->items[i].number);
        if (!std::isfinite(out[i])) Fail("\"" + std::string(key) + "\" holds a number out of range");
    }
    return true;
}

Document Document::Parse(std::span<const uint8_t> bytes, const ReadRelative& readRelative,
                         const std::vector<std::string_view>& understood) {
    Document document;
    std::string_view jsonText;
    std::span<const uint8_t> binChunk;
    bool hasBinChunk = false;
    if (LooksLikeGlb(bytes)) {
        if (bytes.size() < 20) Fail("binary glTF shorter than its header");
        if (Read32(bytes, 4) != 2) Fail("binary glTF of version " + std::to_string(Read32(bytes, 4)));
        const size_t length = std::min<size_t>(Read32(bytes, 8), bytes.size());
        size_t at = 12;
        for (int chunk = 0; at + 8 <= length; ++chunk) {
            const size_t chunkLength = Read32(bytes, at);
            const uint32_t type = Read32(bytes, at + 4);
            if (chunkLength > length - at - 8) Fail("binary glTF chunk past the end of the file");
            const auto data = bytes.subspan(at + 8, chunkLength);
            if (chunk == 0) {
                if (type != kJsonChunk) Fail("binary glTF whose first chunk is not JSON");
                jsonText = {reinterpret_cast<const char*>(data.data()), data.size()};
            } else if (chunk == 1 && type == kBinChunk) {
                binChunk = data;
                hasBinChunk = true;
            }
            at += 8 + ((chunkLength + 3) & ~size_t{3});
        }
        if (jsonText.data() == nullptr) Fail("binary glTF without a JSON chunk");
    } else {
        jsonText = {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
        if (jsonText.substr(0, 3) == "\xEF\xBB\xBF") jsonText.remove_prefix(3);
    }
    try {
        document.root_ = json::Parse(jsonText);
    } catch (const json::ParseError& error) {
        Fail(error.what());
    }
    const json::Value& root = document.root_;
    if (!root.IsObject()) Fail("the JSON is not an object");
    const json::Value* asset = root.Find("asset");
    if (!asset || !asset->IsObject()) Fail("no \"asset\"");
    const std::string version = Text(*asset, "version");
    if (version.empty() || version[0] != '2') Fail("glTF version \"" + version + "\", not 2.x");
    if (const json::Value* required = root.Find("extensionsRequired")) {
        for (const json::Value& name : required->items) {
            if (std::find(understood.begin(), understood.end(), name.text) == understood.end()) {
                Fail("required extension " + name.text + " is not supported");
            }
        }
    }
    for (std::string_view key : {"nodes", "meshes", "accessors", "bufferViews", "buffers", "materials", "textures",
                                 "images", "skins", "animations", "scenes", "cameras"}) {
        const json::Value* array = root.Find(key);
        if (!array) continue;
        if (!array->IsArray()) Fail("\"" + std::string(key) + "\" is not an array");
        for (const json::Value& element : array->items) {
            if (!element.IsObject()) Fail("an element of \"" + std::string(key) + "\" is not an object");
        }
    }

    size_t total = bytes.size();
    const auto& buffers = document.Array("buffers");
    for (size_t b = 0; b < buffers.size(); ++b) {
        const json::Value& buffer = buffers[b];
        const double declared = Number(buffer, "byteLength", -1);
        if (!IsInteger(declared) || declared < 1) Fail("buffer " + std::to_string(b) + " without a byteLength");
        std::vector<uint8_t> data;
        const std::string uri = Text(buffer, "uri");
        if (uri.empty()) {
            if (b != 0 || !hasBinChunk) Fail("buffer " + std::to_string(b) + " without data");
            data.assign(binChunk.begin(), binChunk.end());
        } else {
            data = UriBytes(uri, readRelative);
            total += data.size();
        }
        if (static_cast<double>(data.size()) < declared)
            Fail("buffer " + std::to_string(b) + " shorter than its byteLength");
        data.resize(static_cast<size_t>(declared));
        document.buffers_.push_back(std::move(data));
    }
    document.byteBudget_ = total;

    // Every view lies inside its buffer.
    for (const json::Value& view : document.Array("bufferViews")) {
        const int64_t buffer = Index(view, "buffer", buffers.size());
        if (buffer < 0) Fail("a buffer view without a buffer");
        const double offset = Number(view, "byteOffset", 0), length = Number(view, "byteLength", -1);
        if (!IsInteger(offset) || !IsInteger(length) || offset < 0 || length < 1 ||
            offset + length > static_cast<double>(document.buffers_[static_cast<size_t>(buffer)].size())) {
            Fail("a buffer view past the end of its buffer");
        }
        const double stride = Number(view, "byteStride", 0);
        if (!IsInteger(stride) || stride < 0 || stride > 252) Fail("a buffer view with a bad byteStride");
    }
    return document;
}

const std::vector<json::Value>& Document::Array(std::string_view key) const {
    static const std::vector<json::Value> kNone;
    const json::Value* array = root_.Find(key);
    return array && array->IsArray() ? array->items : kNone;
}

const json::Value& Document::Element(std::string_view key, int64_t index) const {
    const auto& array = Array(key);
    if (index < 0 || static_cast<size_t>(index) >= array.size()) {
        Fail("an index into \"" + std::string(key) + "\" out of range");
    }
    return array[static_cast<size_t>(index)];
}

std::span<const uint8_t> Document::View(int64_t bufferView) const {
    const json::Value& view = Element("bufferViews", bufferView);
    const auto& buffer = buffers_[static_cast<size_t>(Index(view, "buffer", buffers_.size()))];
    return std::span<const uint8_t>(buffer).subspan(static_cast<size_t>(Number(view, "byteOffset", 0)),
                                                    static_cast<size_t>(Number(view, "byteLength", 0)));
}

size_t Document::Count(int64_t accessor) const {
    const double count = Number(Element("accessors", accessor), "count", -1);
    if (!IsInteger(count) || count < 1) Fail("an accessor without a count");
    return static_cast<size_t>(count);
}

namespace {

// The layout of `count` elements at `offset` in a view, checked to lie inside it.
Layout ViewLayout(const Document& document, int64_t view, double offset, size_t count, int64_t componentType,
                  int components) {
    Layout layout;
    const size_t elementSize = ComponentSize(componentType) * static_cast<size_t>(components);
    const std::span<const uint8_t> bytes = document.View(view);
    const double stride = Number(document.Element("bufferViews", view), "byteStride", 0);
    layout.stride = stride > 0 ? static_cast<size_t>(stride) : elementSize;
    if (layout.stride < elementSize) Fail("a byteStride smaller than its element");
    if (!IsInteger(offset) || offset < 0) Fail("an accessor with a bad byteOffset");
    const auto start = static_cast<size_t>(offset);
    if (start > bytes.size() || (bytes.size() - start) < elementSize ||
        (count - 1) > (bytes.size() - start - elementSize) / layout.stride) {
        Fail("an accessor past the end of its buffer view");
    }
    layout.base = bytes.data() + start;
    return layout;
}

}  // namespace

template <class T, class Convert>
static std::vector<T> ReadElements(const Document& document, int64_t accessor, int components, size_t budget,
                                   Convert convert) {
    const json::Value& object = document.Element("accessors", accessor);
    const size_t count = document.Count(accessor);
    const std::string type = Text(object, "type");
    if (ComponentCount(type) != components) Fail("an accessor of type " + type + " where another was expected");
    const auto componentType = static_cast<int64_t>(Number(object, "componentType", 0));
    const size_t componentSize = ComponentSize(componentType);
    const bool normalized = object.Find("normalized") && object.Find("normalized")->boolean;
    const int64_t view = Index(object, "bufferView", document.Array("bufferViews").size());
    Layout layout;
    if (view >= 0) {
        layout = ViewLayout(document, view, Number(object, "byteOffset", 0), count, componentType, components);
    } else if (count > budget / (componentSize * static_cast<size_t>(components))) {
        Fail("an accessor count the file cannot hold");
    }
    std::vector<T> out(count * static_cast<size_t>(components));
    if (layout.base) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* element = layout.base + i * layout.stride;
            for (int c = 0; c < components; ++c) {
                out[i * components + c] = convert(element + c * componentSize, componentType, normalized);
            }
        }
    }
    if (const json::Value* sparse = object.Find("sparse")) {
        const double sparseCount = Number(*sparse, "count", -1);
        const json::Value* indices = sparse->Find("indices");
        const json::Value* values = sparse->Find("values");
        if (!IsInteger(sparseCount) || sparseCount < 1 || sparseCount > static_cast<double>(count) || !indices ||
            !values) {
            Fail("a sparse accessor without its count, indices or values");
        }
        const auto n = static_cast<size_t>(sparseCount);
        const size_t views = document.Array("bufferViews").size();
        const auto indexType = static_cast<int64_t>(Number(*indices, "componentType", 0));
        const Layout where = ViewLayout(document, Index(*indices, "bufferView", views),
                                        Number(*indices, "byteOffset", 0), n, indexType, 1);
        const Layout what = ViewLayout(document, Index(*values, "bufferView", views), Number(*values, "byteOffset", 0),
                                       n, componentType, components);
        for (size_t k = 0; k < n; ++k) {
            const uint32_t target = UnsignedComponent(where.base + k * where.stride, indexType);
            if (target >= count) Fail("a sparse index out of range");
            for (int c = 0; c < components; ++c) {
                out[target * components + c] =
                    convert(what.base + k * what.stride + c * componentSize, componentType, normalized);
            }
        }
    }
    return out;
}

std::vector<float> Document::Floats(int64_t accessor, int components) const {
    std::vector<float> values = ReadElements<float>(*this, accessor, components, byteBudget_, Component);
    for (const float value : values) {
        if (!std::isfinite(value)) Fail("an accessor holding a NaN or infinite value");
    }
    return values;
}

std::vector<uint32_t> Document::Unsigned(int64_t accessor, int components) const {
    return ReadElements<uint32_t>(*this, accessor, components, byteBudget_,
                                  [](const uint8_t* at, int64_t type, bool) { return UnsignedComponent(at, type); });
}

}  // namespace vgx::gltf
