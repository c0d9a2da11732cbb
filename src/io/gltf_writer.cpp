// Groups become nodes, objects meshes with one primitive per sub-object made from
// the object's render vertices and triangles, materials metallic-roughness ones
// with their textures' images in the buffer, lights KHR_lights_punctual lights,
// animation keys one animation.
#include "io/gltf_writer.h"

#include <vgx/VgxGroup.h>
#include <vgx/VgxLight.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxMemberArrays.h>
#include <vgx/VgxObject.h>
#include <vgx/VgxTexture.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "base/access.h"
#include "base/frame_math.h"
#include "io/json_text.h"
#include "material/texture_loading.h"
#include "object/object_internal.h"
#include "platform/os.h"

namespace vgx::gltf {
namespace {

constexpr int64_t kFloat = 5126, kUnsignedShort = 5123, kUnsignedInt = 5125;
constexpr int64_t kVertexData = 34962, kIndexData = 34963;
constexpr const char* kLightsExtension = "KHR_lights_punctual";

// The scene graph is left-handed with clockwise front faces, glTF right-handed
// with counter-clockwise ones: z changes sign and every triangle turns round.
constexpr std::array<float, 4> kFlip{1, 1, -1, 1};

struct View {
    size_t offset, length;
    int64_t target;
};

struct Accessor {
    int32_t view;
    int64_t componentType;
    size_t count;
    const char* type;
    std::vector<float> min, max;  // positions only
};

struct Image {
    std::string name;
    int32_t view;
    std::string mimeType;
};

// One animated property of a node: its sampler's input and output accessors.
struct Channel {
    int32_t node;
    const char* path;
    int32_t input, output;
};

struct Primitive {
    int32_t position, normal, uv, indices, material;
};

struct Mesh {
    std::string name;
    std::vector<Primitive> primitives;
};

struct Node {
    std::string name;
    std::optional<std::array<float, 16>> matrix;  // column-major; none for the identity
    int32_t mesh = -1, light = -1;
    std::vector<int32_t> children;
};

float Clamp01(float value) { return std::clamp(value, 0.0f, 1.0f); }

// Blinn-Phong's specular power as a roughness: 1 for a dull surface (power 0).
float RoughnessOf(float power) { return Clamp01(std::sqrt(2.0f / (std::max(power, 0.0f) + 2.0f))); }

bool EndsWith(const std::string& text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

class Document {
public:
    int32_t AddGroupNode(VgxGroup& group) {
        VgxMatrix local;
        group.GetLocalTransform(local);
        const int32_t node = NewNode(group.GetName());
        nodes_[node].matrix = ColumnMajor(local);
        AddAnimation(group, node);
        const auto objects = group.GetObjects();
        const int32_t objectCount = objects->GetSize();
        for (int32_t i = 0; i < objectCount; ++i) {
            VgxObject& object = *objects->GetElement(i);
            // A lone object is the node's own mesh; several get a node each.
            if (objectCount == 1) {
                nodes_[node].mesh = AddMesh(object);
            } else {
                AddChild(node, AddObjectNode(object));
            }
        }
        const auto lights = group.GetLights();
        const int32_t lightCount = lights->GetSize();
        for (int32_t i = 0; i < lightCount; ++i) {
            const int32_t light = AddLight(*lights->GetElement(i));
            if (light < 0) continue;
            if (lightCount == 1) {
                nodes_[node].light = light;
            } else {
                const int32_t holder = NewNode("Light");
                nodes_[holder].light = light;
                AddChild(node, holder);
            }
        }
        const auto children = group.GetChildren();
        for (int32_t i = 0; i < children->GetSize(); ++i) AddChild(node, AddGroupNode(*children->GetElement(i)));
        return node;
    }

    int32_t AddObjectNode(VgxObject& object) {
        const int32_t node = NewNode(object.GetName());
        nodes_[node].mesh = AddMesh(object);
        return node;
    }

    // The JSON part; `bufferUri` empty for the binary chunk of a .glb file.
    std::string Json(const std::string& bufferUri) const {
        JsonText json;
        json.BeginObject();
        json.Key("asset").BeginObject().Key("version").String("2.0").Key("generator").String("VorlanSG").EndObject();
        if (!lights_.empty()) json.Key("extensionsUsed").BeginArray().String(kLightsExtension).EndArray();
        json.Key("scene").Number(int64_t{0});
        json.Key("scenes").BeginArray().BeginObject().Key("nodes").BeginArray().Number(int64_t{0}).EndArray();
        json.EndObject().EndArray();
        WriteNodes(json);
        WriteMeshes(json);
        WriteMaterials(json);
        WriteImages(json);
        WriteAnimation(json);
        WriteData(json, bufferUri);
        if (!lights_.empty()) WriteLights(json);
        json.EndObject();
        return json.Text();
    }

    const std::string& Binary() const { return binary_; }

private:
    int32_t NewNode(std::string name) {
        nodes_.push_back({std::move(name), std::nullopt, -1, -1, {}});
        return static_cast<int32_t>(nodes_.size()) - 1;
    }

    void AddChild(int32_t parent, int32_t child) { nodes_[parent].children.push_back(child); }

    // Row vectors become columns, and z changes sign on both sides.
    static std::optional<std::array<float, 16>> ColumnMajor(const VgxMatrix& m) {
        if (std::equal(m.m, m.m + 16, rm::MatrixIdentity().m)) return std::nullopt;
        std::array<float, 16> out{};
        for (size_t i = 0; i < 16; ++i) out[i] = m.m[i] * kFlip[i / 4] * kFlip[i % 4] + 0.0f;  // no -0
        return out;
    }

    int32_t AddView(const void* data, size_t bytes, int64_t target) {
        binary_.resize((binary_.size() + 3) & ~size_t{3}, '\0');  // every view starts 4-aligned
        views_.push_back({binary_.size(), bytes, target});
        binary_.append(static_cast<const char*>(data), bytes);
        return static_cast<int32_t>(views_.size()) - 1;
    }

    int32_t AddAccessor(Accessor accessor) {
        accessors_.push_back(std::move(accessor));
        return static_cast<int32_t>(accessors_.size()) - 1;
    }

    int32_t AddMesh(VgxObject& object) {
        const int32_t subObjects = object.GetSubObjectCount();  // builds the render data
        const RenderBlock& block = State(object).render.object;
        const auto drawn = [&](int32_t s) { return block.triangles[static_cast<size_t>(s)].Count > 0; };
        bool any = false;
        for (int32_t s = 0; s < subObjects; ++s) any = any || drawn(s);
        if (!any) return -1;  // a glTF mesh needs a primitive

        const size_t count = block.vertices.size();
        std::vector<float> positions(3 * count), normals(3 * count), uvs(2 * count);
        std::vector<float> low(3, INFINITY), high(3, -INFINITY);
        for (size_t v = 0; v < count; ++v) {
            const RenderVertex& vertex = block.vertices[v];
            double length = 0;
            for (size_t c = 0; c < 3; ++c) {
                positions[3 * v + c] = vertex.Position[c] * kFlip[c] + 0.0f;
                low[c] = std::min(low[c], positions[3 * v + c]);
                high[c] = std::max(high[c], positions[3 * v + c]);
                length += double{vertex.Normal[c]} * vertex.Normal[c];
            }
            // Normals must be unit vectors; a face without area has none and points up.
            length = std::sqrt(length);
            for (size_t c = 0; c < 3; ++c) {
                normals[3 * v + c] =
                    length > 0 ? static_cast<float>(vertex.Normal[c] / length) * kFlip[c] : (c == 1 ? 1.0f : 0.0f);
            }
            uvs[2 * v] = vertex.UV0[0];
            uvs[2 * v + 1] = vertex.UV0[1];
        }
        const int32_t position = AddAccessor(
            {AddView(positions.data(), positions.size() * 4, kVertexData), kFloat, count, "VEC3", low, high});
        const int32_t normal =
            AddAccessor({AddView(normals.data(), normals.size() * 4, kVertexData), kFloat, count, "VEC3", {}, {}});
        const int32_t uv =
            AddAccessor({AddView(uvs.data(), uvs.size() * 4, kVertexData), kFloat, count, "VEC2", {}, {}});

        Mesh mesh{object.GetName(), {}};
        for (int32_t s = 0; s < subObjects; ++s) {
            if (!drawn(s)) continue;
            const IndexList& list = block.triangles[static_cast<size_t>(s)];
            const int32_t indices =
                count < 65535 ? AddIndices<uint16_t>(list, kUnsignedShort) : AddIndices<uint32_t>(list, kUnsignedInt);
            mesh.primitives.push_back({position, normal, uv, indices, MaterialIndex(object.GetSubObjectMaterial(s))});
        }
        meshes_.push_back(std::move(mesh));
        return static_cast<int32_t>(meshes_.size()) - 1;
    }

    // The group's position and rotation keys as translation and rotation channels
    // of its node, linear, times in seconds. A list glTF cannot hold (a negative
    // time, two keys at one time) is left out.
    void AddAnimation(const VgxGroup& group, int32_t node) {
        std::vector<VgxAnimationKey> keys;
        int32_t count = 0;
        group.GetAnimationKeys(-INFINITY, INFINITY, keys, count);
        for (const bool rotation : {false, true}) {
            std::vector<float> times, values;
            for (int32_t k = 0; k < count; ++k) {
                const VgxAnimationKey& key = keys[static_cast<size_t>(k)];
                if ((key.dwKeyType == VgxAnimationPositionKey) == rotation) continue;
                if (key.dvTime < 0 || (!times.empty() && key.dvTime <= times.back())) return;
                times.push_back(key.dvTime);
                if (rotation) {
                    const std::array<float, 4> q = GltfRotation({key.dvK[3], {key.dvK[0], key.dvK[1], key.dvK[2]}});
                    values.insert(values.end(), q.begin(), q.end());
                } else {
                    values.insert(values.end(), {key.dvK[0], key.dvK[1], -key.dvK[2] + 0.0f});
                }
            }
            if (times.empty()) continue;
            const int32_t input = AddAccessor({AddView(times.data(), times.size() * 4, 0),
                                               kFloat,
                                               times.size(),
                                               "SCALAR",
                                               {times.front()},
                                               {times.back()}});
            const int32_t output = AddAccessor({AddView(values.data(), values.size() * 4, 0),
                                                kFloat,
                                                times.size(),
                                                rotation ? "VEC4" : "VEC3",
                                                {},
                                                {}});
            channels_.push_back({node, rotation ? "rotation" : "translation", input, output});
        }
    }

    // A rotation of this library as glTF's quaternion (x, y, z, w): its matrix with
    // z turned on both sides, read back as a quaternion.
    static std::array<float, 4> GltfRotation(const VgxQuaternion& q) {
        const VgxMatrix m = rm::MatrixFromQuaternion(q);
        // r(row, column) of the column-vector matrix: the row-vector one transposed, z turned.
        const auto r = [&](int row, int column) {
            return double{m.m[column * 4 + row]} * kFlip[static_cast<size_t>(row)] * kFlip[static_cast<size_t>(column)];
        };
        double x, y, z, w;
        const double trace = r(0, 0) + r(1, 1) + r(2, 2);
        if (trace > 0) {
            const double s = std::sqrt(trace + 1) * 2;
            w = s / 4, x = (r(2, 1) - r(1, 2)) / s, y = (r(0, 2) - r(2, 0)) / s, z = (r(1, 0) - r(0, 1)) / s;
        } else if (r(0, 0) > r(1, 1) && r(0, 0) > r(2, 2)) {
            const double s = std::sqrt(1 + r(0, 0) - r(1, 1) - r(2, 2)) * 2;
            w = (r(2, 1) - r(1, 2)) / s, x = s / 4, y = (r(0, 1) + r(1, 0)) / s, z = (r(0, 2) + r(2, 0)) / s;
        } else if (r(1, 1) > r(2, 2)) {
            const double s = std::sqrt(1 + r(1, 1) - r(0, 0) - r(2, 2)) * 2;
            w = (r(0, 2) - r(2, 0)) / s, x = (r(0, 1) + r(1, 0)) / s, y = s / 4, z = (r(1, 2) + r(2, 1)) / s;
        } else {
            const double s = std::sqrt(1 + r(2, 2) - r(0, 0) - r(1, 1)) * 2;
            w = (r(1, 0) - r(0, 1)) / s, x = (r(0, 2) + r(2, 0)) / s, y = (r(1, 2) + r(2, 1)) / s, z = s / 4;
        }
        const double length = std::sqrt(x * x + y * y + z * z + w * w);
        return {static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length),
                static_cast<float>(w / length)};
    }

    // Each triangle (a, b, c) as (a, c, b): the winding turns with the handedness.
    template <class Index>
    int32_t AddIndices(const IndexList& list, int64_t componentType) {
        const auto count = static_cast<size_t>(list.Count);
        std::vector<Index> indices(count);
        for (size_t t = 0; t + 2 < count; t += 3) {
            indices[t] = static_cast<Index>(list.Indices[t]);
            indices[t + 1] = static_cast<Index>(list.Indices[t + 2]);
            indices[t + 2] = static_cast<Index>(list.Indices[t + 1]);
        }
        return AddAccessor(
            {AddView(indices.data(), count * sizeof(Index), kIndexData), componentType, count, "SCALAR", {}, {}});
    }

    int32_t MaterialIndex(const std::shared_ptr<VgxMaterial>& material) {
        if (!material) return -1;
        const auto [found, added] = materialIndex_.emplace(material.get(), static_cast<int32_t>(materials_.size()));
        if (added) {
            materials_.push_back(material);
            materialTextures_.push_back(material->GetTexture() ? TextureIndex(*material->GetTexture()) : -1);
        }
        return found->second;
    }

    // One image and one texture per registry texture, its map carried in the buffer
    // under the texture's name, so reading it back gives the same name.
    int32_t TextureIndex(const VgxTexture& texture) {
        const auto [found, added] = textureIndex_.emplace(&texture, static_cast<int32_t>(images_.size()));
        if (!added) return found->second;
        std::string mimeType;
        const std::vector<uint8_t> bytes = TextureImageFile(texture, mimeType);
        if (bytes.empty()) return found->second = -1;
        images_.push_back({texture.GetTextureName(), AddView(bytes.data(), bytes.size(), 0), mimeType});
        return found->second;
    }

    // Ambient and area lights have no glTF form: -1.
    int32_t AddLight(const VgxLight& light) {
        const VgxLightType type = light.GetType();
        if (type != VgxLightPoint && type != VgxLightSpot && type != VgxLightDirectional) return -1;
        lights_.push_back(&light);
        return static_cast<int32_t>(lights_.size()) - 1;
    }

    void WriteNodes(JsonText& json) const {
        json.Key("nodes").BeginArray();
        for (const Node& node : nodes_) {
            json.BeginObject();
            if (!node.name.empty()) json.Key("name").String(node.name);
            if (node.matrix) json.Key("matrix").Numbers(node.matrix->data(), 16);
            if (node.mesh >= 0) json.Key("mesh").Number(int64_t{node.mesh});
            if (!node.children.empty()) {
                json.Key("children").BeginArray();
                for (int32_t child : node.children) json.Number(int64_t{child});
                json.EndArray();
            }
            if (node.light >= 0) {
                json.Key("extensions").BeginObject().Key(kLightsExtension).BeginObject();
                json.Key("light").Number(int64_t{node.light}).EndObject().EndObject();
            }
            json.EndObject();
        }
        json.EndArray();
    }

    void WriteMeshes(JsonText& json) const {
        if (meshes_.empty()) return;
        json.Key("meshes").BeginArray();
        for (const Mesh& mesh : meshes_) {
            json.BeginObject();
            if (!mesh.name.empty()) json.Key("name").String(mesh.name);
            json.Key("primitives").BeginArray();
            for (const Primitive& primitive : mesh.primitives) {
                json.BeginObject().Key("attributes").BeginObject();
                json.Key("POSITION").Number(int64_t{primitive.position});
                json.Key("NORMAL").Number(int64_t{primitive.normal});
                json.Key("TEXCOORD_0").Number(int64_t{primitive.uv});
                json.EndObject().Key("indices").Number(int64_t{primitive.indices});
                if (primitive.material >= 0) json.Key("material").Number(int64_t{primitive.material});
                json.EndObject();
            }
            json.EndArray().EndObject();
        }
        json.EndArray();
    }

    void WriteMaterials(JsonText& json) const {
        if (materials_.empty()) return;
        json.Key("materials").BeginArray();
        for (const auto& material : materials_) {
            float rgba[4], emissive[3];
            material->GetColorRGBA(rgba[0], rgba[1], rgba[2], rgba[3]);
            material->GetEmissive(emissive[0], emissive[1], emissive[2]);
            for (float& c : rgba) c = Clamp01(c);
            for (float& c : emissive) c = Clamp01(c);
            json.BeginObject();
            if (!material->GetName().empty()) json.Key("name").String(material->GetName());
            json.Key("pbrMetallicRoughness").BeginObject().Key("baseColorFactor").Numbers(rgba, 4);
            if (const int32_t texture = materialTextures_[&material - materials_.data()]; texture >= 0) {
                json.Key("baseColorTexture").BeginObject().Key("index").Number(int64_t{texture}).EndObject();
            }
            json.Key("metallicFactor").Number(0.0f).Key("roughnessFactor").Number(RoughnessOf(material->GetPower()));
            json.EndObject();
            if (emissive[0] > 0 || emissive[1] > 0 || emissive[2] > 0) json.Key("emissiveFactor").Numbers(emissive, 3);
            if (rgba[3] < 1) json.Key("alphaMode").String("BLEND");
            json.EndObject();
        }
        json.EndArray();
    }

    void WriteData(JsonText& json, const std::string& bufferUri) const {
        if (binary_.empty()) return;
        json.Key("buffers").BeginArray().BeginObject();
        json.Key("byteLength").Number(static_cast<int64_t>(binary_.size()));
        if (!bufferUri.empty()) json.Key("uri").String(bufferUri);
        json.EndObject().EndArray();
        json.Key("bufferViews").BeginArray();
        for (const View& view : views_) {
            json.BeginObject().Key("buffer").Number(int64_t{0});
            json.Key("byteOffset").Number(static_cast<int64_t>(view.offset));
            json.Key("byteLength").Number(static_cast<int64_t>(view.length));
            if (view.target != 0) json.Key("target").Number(view.target);
            json.EndObject();
        }
        json.EndArray();
        json.Key("accessors").BeginArray();
        for (const Accessor& accessor : accessors_) {
            json.BeginObject().Key("bufferView").Number(int64_t{accessor.view});
            json.Key("componentType").Number(accessor.componentType);
            json.Key("count").Number(static_cast<int64_t>(accessor.count));
            json.Key("type").String(accessor.type);
            if (!accessor.min.empty()) {
                json.Key("min").Numbers(accessor.min.data(), accessor.min.size());
                json.Key("max").Numbers(accessor.max.data(), accessor.max.size());
            }
            json.EndObject();
        }
        json.EndArray();
    }

    void WriteImages(JsonText& json) const {
        if (images_.empty()) return;
        json.Key("images").BeginArray();
        for (const Image& image : images_) {
            json.BeginObject().Key("name").String(image.name).Key("bufferView").Number(int64_t{image.view});
            json.Key("mimeType").String(image.mimeType).EndObject();
        }
        json.EndArray().Key("textures").BeginArray();
        for (size_t i = 0; i < images_.size(); ++i)
            json.BeginObject().Key("source").Number(static_cast<int64_t>(i)).EndObject();
        json.EndArray();
    }

    void WriteAnimation(JsonText& json) const {
        if (channels_.empty()) return;
        json.Key("animations").BeginArray().BeginObject().Key("channels").BeginArray();
        for (size_t c = 0; c < channels_.size(); ++c) {
            json.BeginObject().Key("sampler").Number(static_cast<int64_t>(c)).Key("target").BeginObject();
            json.Key("node").Number(int64_t{channels_[c].node}).Key("path").String(channels_[c].path);
            json.EndObject().EndObject();
        }
        json.EndArray().Key("samplers").BeginArray();
        for (const Channel& channel : channels_) {
            json.BeginObject().Key("input").Number(int64_t{channel.input});
            json.Key("output").Number(int64_t{channel.output}).EndObject();
        }
        json.EndArray().EndObject().EndArray();
    }

    void WriteLights(JsonText& json) const {
        json.Key("extensions").BeginObject().Key(kLightsExtension).BeginObject().Key("lights").BeginArray();
        for (const VgxLight* light : lights_) {
            float rgb[3];
            light->GetColorRGB(rgb[0], rgb[1], rgb[2]);
            for (float& c : rgb) c = Clamp01(c);
            json.BeginObject().Key("color").Numbers(rgb, 3).Key("intensity").Number(1.0f);
            const VgxLightType type = light->GetType();
            json.Key("type").String(type == VgxLightPoint ? "point" : type == VgxLightSpot ? "spot" : "directional");
            if (type != VgxLightDirectional && light->GetRange() > 0) json.Key("range").Number(light->GetRange());
            if (type == VgxLightSpot) {
                // The library's cones are whole angles; glTF's run from the axis.
                constexpr float kRightAngle = 1.57079632f;
                const float outer = std::clamp(light->GetPenumbra() / 2, 1e-4f, kRightAngle);
                const float inner = std::clamp(light->GetUmbra() / 2, 0.0f, outer * 0.999f);
                json.Key("spot").BeginObject().Key("innerConeAngle").Number(inner);
                json.Key("outerConeAngle").Number(outer).EndObject();
            }
            json.EndObject();
        }
        json.EndArray().EndObject().EndObject();
    }

    std::vector<Node> nodes_;  // the first made is the scene's root
    std::vector<Mesh> meshes_;
    std::vector<std::shared_ptr<VgxMaterial>> materials_;
    std::unordered_map<const VgxMaterial*, int32_t> materialIndex_;
    std::vector<int32_t> materialTextures_;  // per material, its texture or -1
    std::vector<Image> images_;              // texture i shows image i
    std::vector<Channel> channels_;          // one animation holds them all
    std::unordered_map<const VgxTexture*, int32_t> textureIndex_;
    std::vector<const VgxLight*> lights_;
    std::vector<View> views_;
    std::vector<Accessor> accessors_;
    std::string binary_;
};

// A file name as a relative URI: bytes outside the unreserved set percent-encoded.
std::string UriOf(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xf];
        }
    }
    return uri;
}

void Append32(std::string& out, uint32_t value) {
    char bytes[4];
    std::memcpy(bytes, &value, 4);  // glTF is little-endian, as are the machines we build for
    out.append(bytes, 4);
}

// The binary container: a header, the JSON chunk padded with spaces, the buffer
// chunk padded with zeros.
std::string GlbBytes(const Document& document) {
    std::string json = document.Json("");
    json.resize((json.size() + 3) & ~size_t{3}, ' ');
    std::string binary = document.Binary();
    binary.resize((binary.size() + 3) & ~size_t{3}, '\0');
    std::string out;
    const size_t total = 12 + 8 + json.size() + (binary.empty() ? 0 : 8 + binary.size());
    out.reserve(total);
    Append32(out, 0x46546C67);  // "glTF"
    Append32(out, 2);
    Append32(out, static_cast<uint32_t>(total));
    Append32(out, static_cast<uint32_t>(json.size()));
    Append32(out, 0x4E4F534A);  // "JSON"
    out += json;
    if (!binary.empty()) {
        Append32(out, static_cast<uint32_t>(binary.size()));
        Append32(out, 0x004E4942);  // "BIN"
        out += binary;
    }
    return out;
}

void Write(const Document& document, const std::string& path) {
    if (EndsWith(path, ".glb")) {
        const std::string bytes = GlbBytes(document);
        platform::WriteFilesWhole({{path, bytes}});
        return;
    }
    // The buffer goes beside the JSON, named after it.
    const std::string stem = path.substr(0, path.size() - 5);
    const std::string binPath = stem + ".bin";
    const size_t slash = binPath.find_last_of('/');
    const std::string json = document.Json(UriOf(slash == std::string::npos ? binPath : binPath.substr(slash + 1)));
    if (document.Binary().empty()) {
        platform::WriteFilesWhole({{path, json}});
    } else {
        platform::WriteFilesWhole({{binPath, document.Binary()}, {path, json}});
    }
}

}  // namespace

bool IsGltfPath(const std::string& path) { return EndsWith(path, ".gltf") || EndsWith(path, ".glb"); }

void SaveGroup(VgxGroup& group, const std::string& path) {
    Document document;
    document.AddGroupNode(group);
    Write(document, path);
}

void SaveObject(VgxObject& object, const std::string& path) {
    Document document;
    document.AddObjectNode(object);
    Write(document, path);
}

}  // namespace vgx::gltf
