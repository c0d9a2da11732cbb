// A glTF 2.0 document brought to the scene form the .x conversions build groups
// and objects from. glTF is right-handed with counter-clockwise front faces, this
// library left-handed with clockwise ones: z changes sign and every triangle
// turns round, as the writer does the other way.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "base/frame_math.h"
#include "io/scene_import.h"
#include "io/xfile_placement.h"
#include "platform/gltf_reader.h"
#include "platform/image_decode.h"

namespace vgx::rm {

std::array<float, 4> XRotationKey(const VgxQuaternion& rotation) {
    return {rotation.s, -rotation.V.X, -rotation.V.Y, -rotation.V.Z};
}

void NoteSkipped(ImportedScene& imported, const std::string& what) {
    if (std::find(imported.skipped.begin(), imported.skipped.end(), what) == imported.skipped.end()) {
        imported.skipped.push_back(what);
    }
}

namespace {

using gltf::Document;
using gltf::FormatError;
using json::Value;

constexpr std::array<float, 4> kFlip{1, 1, -1, 1};
constexpr std::string_view kLightsExtension = "KHR_lights_punctual";

// A column-major, column-vector glTF matrix as this library's row-vector one, z flipped on both sides.
VgxMatrix FromColumnMajor(const float* columnMajor) {
    VgxMatrix m;
    for (size_t k = 0; k < 16; ++k) m.m[k] = columnMajor[k] * kFlip[k / 4] * kFlip[k % 4] + 0.0f;
    return m;
}

// The column-major rotation matrix of a glTF quaternion (x, y, z, w), normalised first.
std::array<float, 16> RotationColumns(const float* q) {
    double x = q[0], y = q[1], z = q[2], w = q[3];
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (!(length > 0)) return m;
    x /= length, y /= length, z /= length, w /= length;
    const double rows[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                               {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                               {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[c * 4 + r] = static_cast<float>(rows[r][c]);
    }
    return m;
}

VgxMatrix NodeMatrix(const Value& node) {
    float m[16];
    if (gltf::Numbers(node, "matrix", m, 16)) return FromColumnMajor(m);
    float t[3] = {0, 0, 0}, r[4] = {0, 0, 0, 1}, s[3] = {1, 1, 1};
    gltf::Numbers(node, "translation", t, 3);
    gltf::Numbers(node, "rotation", r, 4);
    gltf::Numbers(node, "scale", s, 3);
    std::array<float, 16> columns = RotationColumns(r);
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) columns[c * 4 + row] *= s[c];
    }
    columns[12] = t[0], columns[13] = t[1], columns[14] = t[2];
    return FromColumnMajor(columns.data());
}

xfile::Matrix ToFileMatrix(const VgxMatrix& m) {
    xfile::Matrix out;
    std::copy(m.m, m.m + 16, out.begin());
    return out;
}

// The library's rotation of a glTF quaternion, as a .x rotation key.
std::array<float, 4> RotationKey(const float* q) {
    const std::array<float, 16> columns = RotationColumns(q);
    return XRotationKey(QuaternionFromMatrix(FromColumnMajor(columns.data())));
}

// A skin's joints, and per skin-weights list of the mesh being converted, its joint.
struct Skin {
    const std::vector<Value>& joints;
    std::vector<uint32_t> jointOfWeights;
};

class Importer {
public:
    Importer(const Document& document, const std::string& path) : document_(document) {
        const size_t slash = path.find_last_of("\\/");
        std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        const size_t dot = file.find_last_of('.');
        title_ = dot == std::string::npos ? file : file.substr(0, dot);
    }

    ImportedScene Run() {
        if (!document_.Array("cameras").empty()) NoteSkipped(result_, "cameras");
        OrderFrames();
        for (size_t f = 0; f < frameNodes_.size(); ++f) AddNodeContent(static_cast<int32_t>(f));
        AddAnimation();
        result_.animateGroups = true;
        return std::move(result_);
    }

private:
    // Frames in depth-first order from the scene's roots (every parentless node
    // when the file names no scene), parents before children as the conversion needs.
    void OrderFrames() {
        const auto& nodes = document_.Array("nodes");
        std::vector<int64_t> roots;
        const auto& scenes = document_.Array("scenes");
        if (!scenes.empty()) {
            int64_t scene = gltf::Index(document_.Root(), "scene", scenes.size());
            if (scene < 0) scene = 0;
            if (const Value* list = scenes[static_cast<size_t>(scene)].Find("nodes")) {
                for (const Value& node : list->items)
                    roots.push_back(gltf::IndexOf(node, nodes.size(), "a node reference"));
            }
        } else {
            std::vector<bool> child(nodes.size(), false);
            for (const Value& node : nodes) {
                if (const Value* children = node.Find("children")) {
                    for (const Value& c : children->items)
                        child[static_cast<size_t>(gltf::IndexOf(c, nodes.size(), "a node reference"))] = true;
                }
            }
            for (size_t n = 0; n < nodes.size(); ++n) {
                if (!child[n]) roots.push_back(static_cast<int64_t>(n));
            }
        }
        frameOfNode_.assign(nodes.size(), -1);
        std::vector<std::pair<int64_t, int32_t>> stack;  // node, parent frame
        for (auto root = roots.rbegin(); root != roots.rend(); ++root) stack.emplace_back(*root, -1);
        while (!stack.empty()) {
            const auto [node, parent] = stack.back();
            stack.pop_back();
            if (frameOfNode_[static_cast<size_t>(node)] >= 0) Fail("a node with two parents, or in a cycle");
            const auto frame = static_cast<int32_t>(frameNodes_.size());
            frameOfNode_[static_cast<size_t>(node)] = frame;
            frameNodes_.push_back(node);
            const Value& object = nodes[static_cast<size_t>(node)];
            xfile::Frame out;
            out.name = gltf::Text(object, "name");
            out.parent = parent;
            out.transform = ToFileMatrix(NodeMatrix(object));
            result_.scene.frames.push_back(std::move(out));
            if (const Value* children = object.Find("children")) {
                for (auto c = children->items.rbegin(); c != children->items.rend(); ++c) {
                    stack.emplace_back(gltf::IndexOf(*c, nodes.size(), "a node reference"), frame);
                }
            }
        }
        worlds_ = FrameWorldMatrices(result_.scene);
    }

    [[noreturn]] static void Fail(const std::string& why) { throw FormatError(why); }

    static size_t RequiredIndex(const Value& object, std::string_view key, size_t size) {
        const int64_t index = gltf::Index(object, key, size);
        if (index < 0) Fail("no \"" + std::string(key) + "\"");
        return static_cast<size_t>(index);
    }

    void AddNodeContent(int32_t frame) {
        const Value& node = document_.Element("nodes", frameNodes_[static_cast<size_t>(frame)]);
        if (node.Find("camera")) NoteSkipped(result_, "cameras");
        if (node.Find("weights")) NoteSkipped(result_, "morph targets");
        AddLight(node, frame);
        const int64_t mesh = gltf::Index(node, "mesh", document_.Array("meshes").size());
        if (mesh < 0) return;
        const int64_t skin = gltf::Index(node, "skin", document_.Array("skins").size());
        xfile::Mesh converted;
        if (skin < 0) {
            // Nodes sharing a mesh share its conversion.
            if (unskinned_.empty()) unskinned_.resize(document_.Array("meshes").size());
            std::optional<xfile::Mesh>& cached = unskinned_[static_cast<size_t>(mesh)];
            if (!cached) cached = ConvertMesh(mesh, nullptr);
            converted = *cached;
        } else {
            const Value& object = document_.Element("skins", skin);
            const Value* joints = object.Find("joints");
            if (!joints || !joints->IsArray()) Fail("a skin without joints");
            Skin used{joints->items, {}};
            converted = ConvertMesh(mesh, &used);
            if (!converted.skinWeights.empty()) converted = Skinned(converted, object, used, frame);
            converted.skinWeights.clear();
        }
        if (converted.faceSizes.empty()) return;
        result_.scene.frames[static_cast<size_t>(frame)].meshes.push_back(
            static_cast<uint32_t>(result_.scene.meshes.size()));
        result_.scene.meshes.push_back(std::move(converted));
        result_.scene.meshFrame.push_back(frame);
    }

    // A skinned mesh stands where its joints put it (joint world x inverse bind
    // matrix), brought into its node's coordinates, where the frame conversion
    // expects the node's meshes.
    xfile::Mesh Skinned(const xfile::Mesh& mesh, const Value& object, const Skin& skin, int32_t frame) {
        std::vector<float> inverseBind;
        const int64_t accessor = gltf::Index(object, "inverseBindMatrices", document_.Array("accessors").size());
        if (accessor >= 0) {
            inverseBind = document_.Floats(accessor, 16);
            if (inverseBind.size() < skin.joints.size() * 16) Fail("fewer inverse bind matrices than joints");
        }
        const VgxMatrix toNode = MatrixInverseAffine(worlds_[static_cast<size_t>(frame)]);
        std::vector<VgxMatrix> bones;
        for (size_t j = 0; j < mesh.skinWeights.size(); ++j) {
            const uint32_t joint = skin.jointOfWeights[j];
            const int64_t node = gltf::IndexOf(skin.joints[joint], frameOfNode_.size(), "a node reference");
            const int32_t jointFrame = frameOfNode_[static_cast<size_t>(node)];
            // A joint outside the scene stands at the file's origin.
            const VgxMatrix world = jointFrame < 0 ? MatrixIdentity() : worlds_[static_cast<size_t>(jointFrame)];
            const VgxMatrix offset = inverseBind.empty() ? MatrixIdentity() : FromColumnMajor(&inverseBind[joint * 16]);
            bones.push_back(MatrixMultiply(MatrixMultiply(offset, world), toNode));
        }
        return SkinnedMesh(mesh, MatrixIdentity(), bones);
    }

    void AddLight(const Value& node, int32_t frame) {
        const Value* extensions = node.Find("extensions");
        const Value* use = extensions ? extensions->Find(kLightsExtension) : nullptr;
        if (!use) return;
        const Value* rootExtensions = document_.Root().Find("extensions");
        const Value* definitions = rootExtensions ? rootExtensions->Find(kLightsExtension) : nullptr;
        const Value* lights = definitions ? definitions->Find("lights") : nullptr;
        if (!lights || !lights->IsArray()) Fail("a light reference without KHR_lights_punctual lights");
        const Value& light = lights->items[RequiredIndex(*use, "light", lights->items.size())];
        if (!light.IsObject()) Fail("a light that is not an object");
        SceneLight out;
        out.frame = frame;
        const std::string type = gltf::Text(light, "type");
        if (type == "directional") {
            out.type = VgxLightDirectional;
        } else if (type == "spot") {
            out.type = VgxLightSpot;
            const Value* spot = light.Find("spot");
            const double outer = spot ? gltf::Number(*spot, "outerConeAngle", 0.7853981634) : 0.7853981634;
            const double inner = spot ? gltf::Number(*spot, "innerConeAngle", 0) : 0;
            // glTF's cones run from the axis; the library's are whole angles.
            out.penumbra = static_cast<float>(2 * outer);
            out.umbra = static_cast<float>(2 * inner);
        } else if (type == "point") {
            out.type = VgxLightPoint;
        } else {
            Fail("a light of unknown type \"" + type + "\"");
        }
        float color[3] = {1, 1, 1};
        gltf::Numbers(light, "color", color, 3);
        // Intensities above 1 (candela, lux) have no place in a colour; dimmer lights darken it.
        const float intensity = std::clamp(static_cast<float>(gltf::Number(light, "intensity", 1)), 0.0f, 1.0f);
        out.red = std::clamp(color[0] * intensity, 0.0f, 1.0f);
        out.green = std::clamp(color[1] * intensity, 0.0f, 1.0f);
        out.blue = std::clamp(color[2] * intensity, 0.0f, 1.0f);
        out.range = std::max(0.0f, static_cast<float>(gltf::Number(light, "range", 0)));
        result_.lights.push_back(out);
    }

    // One mesh for all primitives; each drawn primitive gets a material of its own.
    // Vertex weights count only with a skin, which learns the joint of each list.
    xfile::Mesh ConvertMesh(int64_t index, Skin* skin) {
        const Value& mesh = document_.Element("meshes", index);
        const Value* primitives = mesh.Find("primitives");
        if (!primitives || !primitives->IsArray()) Fail("a mesh without primitives");
        xfile::Mesh out;
        out.name = gltf::Text(mesh, "name");
        std::vector<int64_t> weightsOfJoint;
        bool allNormals = true, anyUVs = false, anyColors = false;
        for (const Value& primitive : primitives->items) {
            const Value* attributes = primitive.IsObject() ? primitive.Find("attributes") : nullptr;
            if (!attributes) Fail("a primitive without attributes");
            allNormals = allNormals && attributes->Find("NORMAL");
            anyUVs = anyUVs || attributes->Find("TEXCOORD_0");
            anyColors = anyColors || attributes->Find("COLOR_0");
        }
        const size_t accessors = document_.Array("accessors").size();
        for (const Value& primitive : primitives->items) {
            const Value& attributes = *primitive.Find("attributes");
            const double mode = gltf::Number(primitive, "mode", 4);
            if (mode < 4 || mode > 6) {
                NoteSkipped(result_, "points and lines");
                continue;
            }
            if (primitive.Find("targets")) NoteSkipped(result_, "morph targets");
            if (attributes.Find("TEXCOORD_1")) NoteSkipped(result_, "second texture coordinates");
            const int64_t position = gltf::Index(attributes, "POSITION", accessors);
            if (position < 0) continue;
            const auto base = static_cast<uint32_t>(out.VertexCount());
            std::vector<float> positions = document_.Floats(position, 3);
            const size_t count = positions.size() / 3;
            if (count > UINT32_MAX - base) Fail("more vertices than a mesh can hold");
            for (size_t v = 0; v < count; ++v) positions[3 * v + 2] = -positions[3 * v + 2] + 0.0f;
            out.positions.insert(out.positions.end(), positions.begin(), positions.end());
            if (allNormals) {
                std::vector<float> normals = Attribute(attributes, "NORMAL", 3, count);
                for (size_t v = 0; v < count; ++v) normals[3 * v + 2] = -normals[3 * v + 2] + 0.0f;
                out.normals.insert(out.normals.end(), normals.begin(), normals.end());
            }
            if (anyUVs) {
                const std::vector<float> uvs = attributes.Find("TEXCOORD_0")
                                                   ? Attribute(attributes, "TEXCOORD_0", 2, count)
                                                   : std::vector<float>(2 * count, 0.0f);
                out.uvs.insert(out.uvs.end(), uvs.begin(), uvs.end());
            }
            if (anyColors) AppendColors(attributes, count, out.vertexColors);
            if (skin) AppendWeights(attributes, base, count, *skin, out, weightsOfJoint);

            const std::vector<uint32_t> corners = Triangles(primitive, count, mode);
            const auto material = static_cast<uint32_t>(out.materials.size());
            out.materials.push_back(
                ConvertMaterial(gltf::Index(primitive, "material", document_.Array("materials").size())));
            for (size_t t = 0; t + 2 < corners.size(); t += 3) {
                // (a, b, c) becomes (a, c, b): the winding turns with the handedness.
                out.faceSizes.push_back(3);
                out.faceVertices.insert(out.faceVertices.end(),
                                        {base + corners[t], base + corners[t + 2], base + corners[t + 1]});
                out.faceMaterials.push_back(material);
            }
        }
        if (allNormals) {
            out.normalFaceSizes = out.faceSizes;
            out.normalFaceIndices = out.faceVertices;
        }
        return out;
    }

    std::vector<float> Attribute(const Value& attributes, std::string_view name, int components, size_t count) {
        const int64_t accessor = gltf::Index(attributes, name, document_.Array("accessors").size());
        std::vector<float> values = document_.Floats(accessor, components);
        if (values.size() != count * static_cast<size_t>(components)) {
            Fail(std::string(name) + " and POSITION of different counts");
        }
        return values;
    }

    void AppendColors(const Value& attributes, size_t count, std::vector<uint32_t>& colors) {
        const int64_t accessor = gltf::Index(attributes, "COLOR_0", document_.Array("accessors").size());
        if (accessor < 0) {
            colors.insert(colors.end(), count, 0xFFFFFFFFu);
            return;
        }
        const int components = gltf::Text(document_.Element("accessors", accessor), "type") == "VEC4" ? 4 : 3;
        const std::vector<float> values = Attribute(attributes, "COLOR_0", components, count);
        const auto byte = [](float c) { return static_cast<uint32_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255)); };
        for (size_t v = 0; v < count; ++v) {
            const float* c = &values[v * components];
            colors.push_back((components == 4 ? byte(c[3]) : 255u) << 24 | byte(c[0]) << 16 | byte(c[1]) << 8 |
                             byte(c[2]));
        }
    }

    // JOINTS_0 and WEIGHTS_0 as one skin-weights list per joint used.
    void AppendWeights(const Value& attributes, uint32_t base, size_t count, Skin& skin, xfile::Mesh& out,
                       std::vector<int64_t>& weightsOfJoint) {
        const size_t jointCount = skin.joints.size();
        const size_t accessors = document_.Array("accessors").size();
        const int64_t jointsAccessor = gltf::Index(attributes, "JOINTS_0", accessors);
        const int64_t weightsAccessor = gltf::Index(attributes, "WEIGHTS_0", accessors);
        if (jointsAccessor < 0 || weightsAccessor < 0) return;
        if (attributes.Find("JOINTS_1")) NoteSkipped(result_, "more than four joints per vertex");
        const std::vector<uint32_t> joints = document_.Unsigned(jointsAccessor, 4);
        const std::vector<float> weights = Attribute(attributes, "WEIGHTS_0", 4, count);
        if (joints.size() != count * 4) Fail("JOINTS_0 and POSITION of different counts");
        for (size_t v = 0; v < count; ++v) {
            for (size_t k = 0; k < 4; ++k) {
                const float weight = weights[4 * v + k];
                if (weight == 0) continue;
                const uint32_t joint = joints[4 * v + k];
                if (joint >= jointCount) Fail("a joint index out of range");
                if (joint >= weightsOfJoint.size()) weightsOfJoint.resize(jointCount, -1);
                if (weightsOfJoint[joint] < 0) {
                    weightsOfJoint[joint] = static_cast<int64_t>(out.skinWeights.size());
                    out.skinWeights.emplace_back();
                    skin.jointOfWeights.push_back(joint);
                }
                xfile::SkinWeights& list = out.skinWeights[static_cast<size_t>(weightsOfJoint[joint])];
                list.vertices.push_back(base + static_cast<uint32_t>(v));
                list.weights.push_back(weight);
            }
        }
    }

    // The corners of the primitive's triangles, three per triangle.
    std::vector<uint32_t> Triangles(const Value& primitive, size_t vertexCount, double mode) {
        std::vector<uint32_t> indices;
        const int64_t accessor = gltf::Index(primitive, "indices", document_.Array("accessors").size());
        if (accessor >= 0) {
            indices = document_.Unsigned(accessor, 1);
            for (const uint32_t index : indices) {
                if (index >= vertexCount) Fail("a vertex index out of range");
            }
        } else {
            indices.resize(vertexCount);
            for (size_t i = 0; i < vertexCount; ++i) indices[i] = static_cast<uint32_t>(i);
        }
        if (mode == 4) {
            indices.resize(indices.size() / 3 * 3);
            return indices;
        }
        std::vector<uint32_t> corners;
        for (size_t i = 2; i < indices.size(); ++i) {
            if (mode == 5) {  // a strip: every other triangle is wound the other way
                const bool even = i % 2 == 0;
                corners.insert(corners.end(), {indices[i - 2], even ? indices[i - 1] : indices[i],
                                               even ? indices[i] : indices[i - 1]});
            } else {  // a fan
                corners.insert(corners.end(), {indices[0], indices[i - 1], indices[i]});
            }
        }
        return corners;
    }

    xfile::Material ConvertMaterial(int64_t index) {
        xfile::Material out;  // glTF's default material: white, dull
        if (index < 0) return out;
        const Value& material = document_.Element("materials", index);
        out.name = gltf::Text(material, "name");
        float roughness = 1;
        if (const Value* pbr = material.Find("pbrMetallicRoughness")) {
            gltf::Numbers(*pbr, "baseColorFactor", out.faceColor.data(), 4);
            roughness = std::clamp(static_cast<float>(gltf::Number(*pbr, "roughnessFactor", 1)), 0.01f, 1.0f);
            if (const Value* texture = pbr->Find("baseColorTexture")) out.textureFile = TextureName(*texture);
            if (pbr->Find("metallicRoughnessTexture")) NoteSkipped(result_, "maps other than the base colour");
        }
        for (std::string_view map : {"normalTexture", "occlusionTexture", "emissiveTexture"}) {
            if (material.Find(map)) NoteSkipped(result_, "maps other than the base colour");
        }
        for (float& c : out.faceColor) c = std::clamp(c, 0.0f, 1.0f);
        // Blinn-Phong's power from the roughness, as the writer maps it the other way.
        out.power = 2.0f / (roughness * roughness) - 2.0f;
        const float shine = 1.0f - roughness;
        out.specularColor = {shine, shine, shine};
        gltf::Numbers(material, "emissiveFactor", out.emissiveColor.data(), 3);
        for (float& c : out.emissiveColor) c = std::clamp(c, 0.0f, 1.0f);
        return out;
    }

    // The name a material's texture goes by: the file an image URI names, or for
    // an image inside the file a name of its own under which it is registered.
    std::string TextureName(const Value& textureInfo) {
        const int64_t texture = gltf::Index(textureInfo, "index", document_.Array("textures").size());
        if (texture < 0) return {};
        if (gltf::Number(textureInfo, "texCoord", 0) != 0) NoteSkipped(result_, "second texture coordinates");
        const auto& images = document_.Array("images");
        const int64_t image = gltf::Index(document_.Element("textures", texture), "source", images.size());
        if (image < 0) return {};
        if (embeddedName_.empty()) embeddedName_.resize(images.size());
        std::string& name = embeddedName_[static_cast<size_t>(image)];
        if (!name.empty()) return name;
        const Value& object = images[static_cast<size_t>(image)];
        const std::string uri = gltf::Text(object, "uri");
        std::vector<uint8_t> bytes;
        if (!uri.empty() && uri.rfind("data:", 0) != 0) return name = gltf::DecodeUri(uri);
        if (!uri.empty()) {
            bytes = gltf::DataUriBytes(uri);
        } else {
            const std::span<const uint8_t> view =
                document_.View(gltf::Index(object, "bufferView", document_.Array("bufferViews").size()));
            bytes.assign(view.begin(), view.end());
        }
        const std::string mime = gltf::Text(object, "mimeType");
        const bool jpeg = mime == "image/jpeg" || uri.rfind("data:image/jpeg", 0) == 0;
        std::string own = gltf::Text(object, "name");
        if (own.empty()) own = title_ + "_image" + std::to_string(image);
        const std::string extension = jpeg ? ".jpg" : ".png";
        if (own.size() < 4 || own.find('.') == std::string::npos) own += extension;
        name = own;
        result_.images.push_back({name, std::move(bytes)});
        return name;
    }

    // The first animation's translation and rotation channels as frame animations.
    void AddAnimation() {
        const auto& animations = document_.Array("animations");
        if (animations.empty()) return;
        if (animations.size() > 1) NoteSkipped(result_, "animations after the first");
        const Value& animation = animations.front();
        const Value* channels = animation.Find("channels");
        const Value* samplers = animation.Find("samplers");
        if (!channels || !samplers || !channels->IsArray() || !samplers->IsArray()) {
            Fail("an animation without channels or samplers");
        }
        xfile::AnimationSet set;
        set.name = gltf::Text(animation, "name");
        std::vector<int64_t> animationOfFrame(frameNodes_.size(), -1);
        for (const Value& channel : channels->items) {
            const Value* target = channel.IsObject() ? channel.Find("target") : nullptr;
            if (!target) Fail("an animation channel without a target");
            const std::string path = gltf::Text(*target, "path");
            const int64_t node = gltf::Index(*target, "node", frameOfNode_.size());
            if (path == "scale") NoteSkipped(result_, "scale animation");
            if (path == "weights") NoteSkipped(result_, "morph target animation");
            if ((path != "translation" && path != "rotation") || node < 0) continue;
            const int32_t frame = frameOfNode_[static_cast<size_t>(node)];
            if (frame < 0) continue;
            const Value& sampler = samplers->items[RequiredIndex(channel, "sampler", samplers->items.size())];
            if (!sampler.IsObject()) Fail("an animation sampler that is not an object");
            int64_t& slot = animationOfFrame[static_cast<size_t>(frame)];
            if (slot < 0) {
                slot = static_cast<int64_t>(set.animations.size());
                xfile::Animation added;
                // Node names are often empty or repeated: the channel keeps its node's frame.
                added.frame = frame;
                added.frameName = result_.scene.frames[static_cast<size_t>(frame)].name;
                added.hasOptions = true;
                added.closed = false;
                set.animations.push_back(std::move(added));
            }
            xfile::Animation& out = set.animations[static_cast<size_t>(slot)];
            out.keys.push_back(Keys(sampler, path == "rotation"));
            if (path == "translation" && gltf::Text(sampler, "interpolation") == "CUBICSPLINE")
                out.splinePositions = true;
        }
        if (set.animations.empty()) return;
        result_.scene.animationSets.push_back(std::move(set));
        result_.scene.ticksPerSecond = static_cast<uint32_t>(kImportTicksPerSecond);
    }

    xfile::AnimationKeys Keys(const Value& sampler, bool rotation) {
        const size_t accessors = document_.Array("accessors").size();
        const std::vector<float> times = document_.Floats(gltf::Index(sampler, "input", accessors), 1);
        const int components = rotation ? 4 : 3;
        const std::vector<float> values = document_.Floats(gltf::Index(sampler, "output", accessors), components);
        // A cubic spline keeps an in-tangent, the value and an out-tangent per key; the value serves.
        const bool cubic = gltf::Text(sampler, "interpolation") == "CUBICSPLINE";
        const size_t perKey = cubic ? 3 : 1;
        if (values.size() != times.size() * perKey * components) Fail("animation input and output of different counts");
        xfile::AnimationKeys keys;
        keys.keyType = rotation ? 0 : 2;
        for (size_t k = 0; k < times.size(); ++k) {
            if (times[k] < 0 || times[k] * kImportTicksPerSecond > UINT32_MAX) Fail("an animation time out of range");
            keys.times.push_back(static_cast<uint32_t>(std::lround(times[k] * kImportTicksPerSecond)));
            const float* v = &values[(k * perKey + (cubic ? 1 : 0)) * components];
            if (rotation) {
                const std::array<float, 4> key = RotationKey(v);
                keys.values.insert(keys.values.end(), key.begin(), key.end());
            } else {
                keys.values.insert(keys.values.end(), {v[0], v[1], -v[2] + 0.0f});
            }
        }
        return keys;
    }

    const Document& document_;
    std::string title_;
    ImportedScene result_;
    std::vector<int64_t> frameNodes_;        // per frame, its node
    std::vector<int32_t> frameOfNode_;       // per node, its frame or -1 outside the scene
    std::vector<VgxMatrix> worlds_;          // per frame
    std::vector<std::optional<xfile::Mesh>> unskinned_;  // per mesh, once a node without a skin shows it
    std::vector<std::string> embeddedName_;  // per image, the name it was given
};

}  // namespace

ImportedScene ImportGltf(std::span<const uint8_t> bytes, const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const auto readRelative = [&](const std::string& name) { return image::ReadWholeFile(folder + name); };
    const Document document = Document::Parse(bytes, readRelative, {kLightsExtension, "KHR_mesh_quantization"});
    return Importer(document, path).Run();
}

}  // namespace vgx::rm
