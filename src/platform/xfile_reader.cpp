// Reads .x files into xfile::Scene. The object reader is one template over the
// text and binary tokenizers. Nesting is capped, so the recursion through frames
// and objects is bounded, and every count is checked against the bytes left
// before anything is allocated for it.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "platform/xfile.h"
#include "platform/xfile_binary_tokens.h"
#include "platform/xfile_mszip.h"
#include "platform/xfile_text_tokens.h"

namespace vgx::xfile {

Matrix IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

size_t ValuesPerKey(uint32_t keyType) {
    switch (keyType) {
        case 0: return 4;
        case 1: case 2: return 3;
        case 4: return 16;
        default: return 0;
    }
}

namespace {

constexpr size_t kHeaderSize = 16;
constexpr int kMaxDepth = 256;

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x | 0x20) == (y | 0x20) && ((x >= 'A' && x <= 'Z') || (x >= 'a' && x <= 'z') || x == y);
           });
}

uint8_t ColorByte(float value) { return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f)); }

template <class Tokens>
class Reader {
public:
    Reader(Tokens& tokens, Scene& scene) : t_(tokens), scene_(scene) {}

    void ReadFile() {
        for (;;) {
            switch (t_.Peek()) {
                case Token::End: return;
                case Token::Template: SkipTemplate(); break;
                case Token::Name: ReadTopObject(); break;
                case Token::CBrace: t_.Fail("'}' without its '{'");
                default: t_.Fail("expected a data object or template");
            }
        }
    }

private:
    struct Header {
        std::string_view type, name;
    };

    // Type, optional name, optional GUID, '{'.
    Header Open() {
        Header header;
        header.type = t_.TakeName();
        Token next = t_.Peek();
        if (next == Token::Name || next == Token::Number) {
            header.name = t_.TakeName();
            next = t_.Peek();
        }
        if (next == Token::Guid) {
            t_.Skip();
            next = t_.Peek();
        }
        if (next != Token::OBrace) t_.Fail("expected '{' after '" + std::string(header.type) + "'");
        t_.Skip();
        if (++depth_ > kMaxDepth) t_.Fail("objects nested more than " + std::to_string(kMaxDepth) + " deep");
        return header;
    }

    // The rest of an object whose '{' was taken, however deep, without recursion.
    void SkipBody() {
        const int floor = depth_ - 1;
        while (depth_ > floor) {
            switch (t_.Peek()) {
                case Token::OBrace:
                    if (++depth_ > kMaxDepth) t_.Fail("objects nested more than " + std::to_string(kMaxDepth) + " deep");
                    t_.Skip();
                    break;
                case Token::CBrace: --depth_; t_.Skip(); break;
                case Token::End: t_.Fail("the file ends inside an object");
                default: t_.SkipValues(); break;
            }
        }
    }

    void SkipTemplate() {
        t_.Skip();
        t_.TakeName();
        if (t_.Peek() != Token::OBrace) t_.Fail("expected '{' after the template's name");
        t_.Skip();
        ++depth_;
        SkipBody();
    }

    // The nested objects and references after an object's own values, up to its
    // '}'. onChild returns false for objects it does not read, which are skipped.
    template <class OnChild, class OnReference>
    void Children(std::string_view owner, OnChild&& onChild, OnReference&& onReference) {
        for (;;) {
            switch (t_.Peek()) {
                case Token::CBrace: t_.Skip(); --depth_; return;
                case Token::Name: {
                    const Header child = Open();
                    if (!onChild(child)) SkipBody();
                    break;
                }
                case Token::OBrace: onReference(TakeReference()); break;
                case Token::End: t_.Fail("the file ends inside '" + std::string(owner) + "'");
                case Token::Template: t_.Fail("a template inside '" + std::string(owner) + "'");
                default: t_.SkipValues(); break;  // values a newer template added
            }
        }
    }
    void Close(std::string_view owner) {
        Children(owner, [](const Header&) { return false; }, [](std::string_view) {});
    }

    // { Name }, { <GUID> } or { Name <GUID> }; the name, empty for a GUID alone.
    std::string_view TakeReference() {
        t_.Skip();
        std::string_view name;
        if (t_.Peek() == Token::Name) name = t_.TakeName();
        if (t_.Peek() == Token::Guid) t_.Skip();
        if (t_.Peek() != Token::CBrace) t_.Fail("expected '}' closing a reference");
        t_.Skip();
        return name;
    }

    // A count of items of `values` numbers each, refused when the bytes left
    // could not hold them.
    uint32_t Count(size_t values, const char* what) {
        const uint32_t count = t_.TakeUInt();
        if (count > t_.Remaining() / Tokens::kMinBytesPerValue / values)
            t_.Fail(std::to_string(count) + " " + what + " cannot fit in the rest of the file");
        return count;
    }

    // A NaN or an infinity makes the file unusable: nothing downstream takes one.
    void TakeFloats(float* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = t_.TakeFloat();
            if (!std::isfinite(out[i])) t_.Fail("a number that is not finite");
        }
    }
    void TakeFloats(std::vector<float>& out, size_t count) {
        out.resize(count);
        TakeFloats(out.data(), count);
    }

    void ReadTopObject() {
        const Header header = Open();
        if (SameWord(header.type, "Frame")) {
            ReadFrame(header, -1);
        } else if (SameWord(header.type, "Mesh")) {
            AddMesh(header, -1);
        } else if (SameWord(header.type, "Material")) {
            ReadMaterial(header);
        } else if (SameWord(header.type, "AnimationSet")) {
            ReadAnimationSet(header);
        } else if (SameWord(header.type, "Animation")) {
            // Animations outside a set share one unnamed set.
            if (looseAnimations_ < 0) {
                looseAnimations_ = static_cast<int>(scene_.animationSets.size());
                scene_.animationSets.emplace_back();
            }
            ReadAnimation(header, scene_.animationSets[static_cast<size_t>(looseAnimations_)]);
        } else if (SameWord(header.type, "AnimTicksPerSecond")) {
            scene_.ticksPerSecond = t_.TakeUInt();
            Close(header.type);
        } else {
            SkipBody();
        }
    }

    void ReadFrame(const Header& header, int32_t parent) {
        const auto index = static_cast<int32_t>(scene_.frames.size());
        Frame& added = scene_.frames.emplace_back();
        added.name = header.name;
        added.parent = parent;
        Children(
            header.type,
            [&](const Header& child) {
                if (SameWord(child.type, "FrameTransformMatrix")) {
                    TakeFloats(scene_.frames[static_cast<size_t>(index)].transform.data(), 16);
                    Close(child.type);
                } else if (SameWord(child.type, "Frame")) {
                    ReadFrame(child, index);
                } else if (SameWord(child.type, "Mesh")) {
                    AddMesh(child, index);
                } else {
                    return false;
                }
                return true;
            },
            [](std::string_view) {});  // a mesh instanced by reference is not kept
    }

    void AddMesh(const Header& header, int32_t frame) {
        Mesh mesh;
        ReadMesh(header, mesh);
        if (frame >= 0) scene_.frames[static_cast<size_t>(frame)].meshes.push_back(static_cast<uint32_t>(scene_.meshes.size()));
        scene_.meshes.push_back(std::move(mesh));
        scene_.meshFrame.push_back(frame);
    }

    // A vertex list (count, then x, y, z each) and a face list (count, then each
    // face's corner count and corners) whose corners must be below the vertex count.
    void ReadFaces(std::vector<uint32_t>& sizes, std::vector<uint32_t>& corners, size_t vertexCount, const char* what) {
        const uint32_t count = Count(4, what);
        sizes.resize(count);
        corners.clear();  // a repeated MeshNormals replaces the first
        corners.reserve(static_cast<size_t>(count) * 3);
        for (uint32_t face = 0; face < count; ++face) {
            const uint32_t size = t_.TakeUInt();
            if (size < 3 || size > t_.Remaining() / Tokens::kMinBytesPerValue)
                t_.Fail(std::string(what) + " " + std::to_string(face) + " has " + std::to_string(size) + " corners");
            sizes[face] = size;
            for (uint32_t corner = 0; corner < size; ++corner) {
                const uint32_t index = t_.TakeUInt();
                if (index >= vertexCount)
                    t_.Fail(std::string(what) + " " + std::to_string(face) + " uses index " + std::to_string(index) + " of only " +
                            std::to_string(vertexCount));
                corners.push_back(index);
            }
        }
    }

    void ReadMesh(const Header& header, Mesh& mesh) {
        mesh.name = header.name;
        TakeFloats(mesh.positions, size_t{3} * Count(3, "vertices"));
        ReadFaces(mesh.faceSizes, mesh.faceVertices, mesh.VertexCount(), "face");
        Children(
            header.type,
            [&](const Header& child) {
                if (SameWord(child.type, "MeshNormals")) {
                    ReadNormals(child, mesh);
                } else if (SameWord(child.type, "MeshTextureCoords")) {
                    const uint32_t count = Count(2, "texture coordinates");
                    if (count != mesh.VertexCount())
                        t_.Fail(std::to_string(count) + " texture coordinates for " + std::to_string(mesh.VertexCount()) + " vertices");
                    TakeFloats(mesh.uvs, size_t{2} * count);
                    Close(child.type);
                } else if (SameWord(child.type, "MeshVertexColors")) {
                    ReadVertexColors(child, mesh);
                } else if (SameWord(child.type, "MeshMaterialList")) {
                    ReadMaterialList(child, mesh);
                } else if (SameWord(child.type, "XSkinMeshHeader")) {
                    mesh.maxSkinWeightsPerVertex = t_.TakeUInt();
                    mesh.maxSkinWeightsPerFace = t_.TakeUInt();
                    mesh.boneCount = t_.TakeUInt();
                    Close(child.type);
                } else if (SameWord(child.type, "SkinWeights")) {
                    ReadSkinWeights(child, mesh);
                } else {
                    return false;
                }
                return true;
            },
            [](std::string_view) {});
    }

    void ReadNormals(const Header& header, Mesh& mesh) {
        TakeFloats(mesh.normals, size_t{3} * Count(3, "normals"));
        ReadFaces(mesh.normalFaceSizes, mesh.normalFaceIndices, mesh.normals.size() / 3, "normal face");
        if (mesh.normalFaceSizes != mesh.faceSizes)
            t_.Fail("MeshNormals faces do not match the mesh's faces (" + std::to_string(mesh.normalFaceSizes.size()) + " for " +
                    std::to_string(mesh.FaceCount()) + ", or different corner counts)");
        Close(header.type);
    }

    void ReadVertexColors(const Header& header, Mesh& mesh) {
        const uint32_t count = Count(5, "vertex colors");
        mesh.vertexColors.assign(mesh.VertexCount(), 0xFFFFFFFFu);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t vertex = t_.TakeUInt();
            float rgba[4];
            TakeFloats(rgba, 4);
            if (vertex >= mesh.VertexCount())
                t_.Fail("vertex color for vertex " + std::to_string(vertex) + " of only " + std::to_string(mesh.VertexCount()));
            mesh.vertexColors[vertex] = uint32_t{ColorByte(rgba[3])} << 24 | uint32_t{ColorByte(rgba[0])} << 16 |
                                        uint32_t{ColorByte(rgba[1])} << 8 | ColorByte(rgba[2]);
        }
        Close(header.type);
    }

    void ReadMaterialList(const Header& header, Mesh& mesh) {
        t_.TakeUInt();  // the material count; the materials listed are what counts
        const uint32_t count = Count(1, "face materials");
        mesh.materials.clear();  // a repeated list replaces the first
        mesh.faceMaterials.resize(count);
        for (uint32_t& material : mesh.faceMaterials) material = t_.TakeUInt();
        Children(
            header.type,
            [&](const Header& child) {
                if (!SameWord(child.type, "Material")) return false;
                mesh.materials.push_back(ReadMaterial(child));
                return true;
            },
            [&](std::string_view name) {
                const auto found = materials_.find(name);
                if (found == materials_.end()) t_.Fail("MeshMaterialList names an unknown material '" + std::string(name) + "'");
                mesh.materials.push_back(found->second);
            });
        for (const uint32_t material : mesh.faceMaterials) {
            if (material >= mesh.materials.size())
                t_.Fail("face material " + std::to_string(material) + " of only " + std::to_string(mesh.materials.size()));
        }
        // A short list repeats its last entry, a long one is cut to the faces.
        if (!mesh.faceMaterials.empty()) mesh.faceMaterials.resize(mesh.FaceCount(), mesh.faceMaterials.back());
    }

    Material ReadMaterial(const Header& header) {
        Material material;
        material.name = header.name;
        TakeFloats(material.faceColor.data(), 4);
        TakeFloats(&material.power, 1);
        TakeFloats(material.specularColor.data(), 3);
        TakeFloats(material.emissiveColor.data(), 3);
        Children(
            header.type,
            [&](const Header& child) {
                if (!SameWord(child.type, "TextureFilename")) return false;
                material.textureFile = t_.TakeString();
                Close(child.type);
                return true;
            },
            [](std::string_view) {});
        if (!material.name.empty()) materials_.insert_or_assign(material.name, material);
        return material;
    }

    void ReadSkinWeights(const Header& header, Mesh& mesh) {
        SkinWeights& skin = mesh.skinWeights.emplace_back();
        skin.boneName = t_.TakeString();
        const uint32_t count = Count(2, "skin weights");
        skin.vertices.resize(count);
        for (uint32_t& vertex : skin.vertices) {
            vertex = t_.TakeUInt();
            if (vertex >= mesh.VertexCount())
                t_.Fail("SkinWeights of '" + skin.boneName + "' names vertex " + std::to_string(vertex) + " of only " +
                        std::to_string(mesh.VertexCount()));
        }
        TakeFloats(skin.weights, count);
        TakeFloats(skin.offset.data(), 16);
        Close(header.type);
    }

    void ReadAnimationSet(const Header& header) {
        AnimationSet& set = scene_.animationSets.emplace_back();
        set.name = header.name;
        const size_t index = scene_.animationSets.size() - 1;
        Children(
            header.type,
            [&](const Header& child) {
                if (!SameWord(child.type, "Animation")) return false;
                ReadAnimation(child, scene_.animationSets[index]);
                return true;
            },
            [](std::string_view) {});
    }

    void ReadAnimation(const Header& header, AnimationSet& set) {
        Animation animation;
        animation.name = header.name;
        Children(
            header.type,
            [&](const Header& child) {
                if (SameWord(child.type, "AnimationKey")) {
                    ReadKeys(child, animation.keys.emplace_back());
                } else if (SameWord(child.type, "AnimationOptions")) {
                    animation.closed = t_.TakeUInt() == 0;
                    animation.splinePositions = t_.TakeUInt() == 0;
                    animation.hasOptions = true;
                    Close(child.type);
                } else {
                    return false;
                }
                return true;
            },
            [&](std::string_view frame) { animation.frameName = frame; });
        set.animations.push_back(std::move(animation));
    }

    void ReadKeys(const Header& header, AnimationKeys& keys) {
        keys.keyType = t_.TakeUInt();
        const size_t values = ValuesPerKey(keys.keyType);
        if (values == 0) t_.Fail("unknown animation key type " + std::to_string(keys.keyType));
        const uint32_t count = Count(values + 2, "animation keys");
        keys.times.resize(count);
        keys.values.resize(count * values);
        for (uint32_t key = 0; key < count; ++key) {
            keys.times[key] = t_.TakeUInt();
            const uint32_t given = t_.TakeUInt();
            if (given != values)
                t_.Fail("animation key of type " + std::to_string(keys.keyType) + " with " + std::to_string(given) + " values");
            TakeFloats(&keys.values[key * values], values);
        }
        Close(header.type);
    }

    Tokens& t_;
    Scene& scene_;
    int depth_ = 0;
    int looseAnimations_ = -1;  // the set that holds animations outside any set
    std::map<std::string, Material, std::less<>> materials_;  // named materials, for references
};

template <class Tokens>
void ReadBody(Tokens tokens, Scene& scene) {
    Reader<Tokens>(tokens, scene).ReadFile();
}

uint32_t TwoDigits(const uint8_t* p) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') throw FormatError("not a .x file: bad version in its header");
    return static_cast<uint32_t>((p[0] - '0') * 10 + (p[1] - '0'));
}

}  // namespace

Scene ParseXFile(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) throw FormatError("not a .x file: shorter than its 16-byte header");
    if (std::memcmp(data, "xof ", 4) != 0) throw FormatError("not a .x file: it does not start with \"xof \"");
    Scene scene;
    scene.majorVersion = TwoDigits(data + 4);
    scene.minorVersion = TwoDigits(data + 6);
    const std::string_view format(reinterpret_cast<const char*>(data) + 8, 4);
    const std::string_view floatSize(reinterpret_cast<const char*>(data) + 12, 4);
    if (floatSize != "0032" && floatSize != "0064")
        throw FormatError("not a .x file: float size '" + std::string(floatSize) + "' is neither 0032 nor 0064");
    const bool doubles = floatSize == "0064";
    const uint8_t* body = data + kHeaderSize;
    const uint8_t* end = data + size;
    if (format == "txt ") {
        ReadBody(TextTokens(body, end), scene);
    } else if (format == "bin ") {
        ReadBody(BinaryTokens(body, end, doubles), scene);
    } else if (format == "tzip" || format == "bzip") {
        const std::vector<uint8_t> inflated = InflateMsZip(body, size - kHeaderSize);
        const uint8_t* begin = inflated.data();
        if (format == "tzip") {
            ReadBody(TextTokens(begin, begin + inflated.size()), scene);
        } else {
            ReadBody(BinaryTokens(begin, begin + inflated.size(), doubles), scene);
        }
    } else {
        throw FormatError("not a .x file: unknown format '" + std::string(format) + "'");
    }
    return scene;
}

Scene ReadXFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) throw FormatError("cannot open " + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(file.tellg()));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw FormatError("cannot read " + path);
    return ParseXFile(bytes.data(), bytes.size());
}

}  // namespace vgx::xfile
