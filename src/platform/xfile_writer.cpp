// Writes xfile::Scene as a text .x file. Everything goes into one string through
// small stack buffers: numbers by std::to_chars, whose shortest form reads back to
// the same float bit for bit.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xfile.h"
#include "platform/xfile_templates.h"

namespace vgx::xfile {
namespace {

[[noreturn]] void Refuse(const std::string& why) { throw std::runtime_error("cannot write .x file: " + why); }

class TextWriter {
public:
    std::string Write(const Scene& scene) {
        Check(scene);
        out_.reserve(EstimatedSize(scene));
        char header[32];
        const int length = std::snprintf(header, sizeof header, "xof %02u%02utxt 0032\n",
                                         std::min(scene.majorVersion, 99u), std::min(scene.minorVersion, 99u));
        out_.append(header, static_cast<size_t>(length));
        if (!scene.frames.empty()) out_ += kFrameTemplates;
        if (!scene.meshes.empty()) out_ += kMeshTemplates;
        if (!scene.animationSets.empty()) out_ += kAnimationTemplates;
        if (scene.ticksPerSecond != 0) {
            out_ += kTicksTemplate;
            Line(0, "AnimTicksPerSecond {");
            Indent(1);
            Number(scene.ticksPerSecond);
            out_ += ";\n}\n";
        }
        for (size_t mesh = 0; mesh < scene.meshes.size(); ++mesh) {
            if (mesh >= scene.meshFrame.size() || scene.meshFrame[mesh] < 0) WriteMesh(scene.meshes[mesh], 0);
        }
        WriteFrames(scene);
        for (const AnimationSet& set : scene.animationSets) WriteAnimationSet(set);
        return std::move(out_);
    }

private:
    // What the writer reads to write must be there: sizes that agree.
    static void Check(const Scene& scene) {
        for (size_t i = 0; i < scene.frames.size(); ++i) {
            const Frame& frame = scene.frames[i];
            if (frame.parent < -1 || frame.parent >= static_cast<int64_t>(i)) Refuse("frame '" + frame.name + "' comes before its parent");
            for (const uint32_t mesh : frame.meshes) {
                if (mesh >= scene.meshes.size()) Refuse("frame '" + frame.name + "' holds a mesh that does not exist");
            }
        }
        for (const Mesh& mesh : scene.meshes) {
            const auto corners = [](const std::vector<uint32_t>& sizes) {
                size_t sum = 0;
                for (const uint32_t size : sizes) sum += size;
                return sum;
            };
            if (mesh.positions.size() % 3 != 0 || mesh.normals.size() % 3 != 0 || corners(mesh.faceSizes) != mesh.faceVertices.size() ||
                corners(mesh.normalFaceSizes) != mesh.normalFaceIndices.size() || (!mesh.uvs.empty() && mesh.uvs.size() != 2 * mesh.VertexCount()) ||
                (!mesh.vertexColors.empty() && mesh.vertexColors.size() != mesh.VertexCount()))
                Refuse("mesh '" + mesh.name + "' has lists of disagreeing sizes");
            for (const uint32_t material : mesh.faceMaterials) {
                if (material >= mesh.materials.size()) Refuse("mesh '" + mesh.name + "' uses a material it does not have");
            }
            for (const SkinWeights& skin : mesh.skinWeights) {
                if (skin.vertices.size() != skin.weights.size()) Refuse("skin weights of '" + skin.boneName + "' disagree in size");
            }
        }
        for (const AnimationSet& set : scene.animationSets) {
            for (const Animation& animation : set.animations) {
                for (const AnimationKeys& keys : animation.keys) {
                    const size_t values = ValuesPerKey(keys.keyType);
                    if (values == 0 || keys.values.size() != keys.times.size() * values)
                        Refuse("animation '" + animation.name + "' has keys of disagreeing sizes");
                }
            }
        }
    }

    static size_t EstimatedSize(const Scene& scene) {
        size_t size = 8192;
        for (const Mesh& mesh : scene.meshes) {
            size += 12 * (mesh.positions.size() + mesh.normals.size() + mesh.uvs.size()) +
                    8 * (mesh.faceVertices.size() + mesh.normalFaceIndices.size() + mesh.faceSizes.size() + mesh.faceMaterials.size());
        }
        return size;
    }

    void Indent(int depth) { out_.append(static_cast<size_t>(std::min(depth, 32)), ' '); }
    void Line(int depth, std::string_view text) {
        Indent(depth);
        out_ += text;
        out_ += '\n';
    }

    static char* Put(char* at, float value) {
        if (std::isfinite(value)) {
            char* end = std::to_chars(at, at + 24, value).ptr;
            // Some readers take "1,0" for one number with a decimal comma: whole
            // numbers get their ".0".
            if (std::find_if(at, end, [](char c) { return c == '.' || c == 'e'; }) == end) {
                *end++ = '.';
                *end++ = '0';
            }
            return end;
        }
        // The way Microsoft's runtime prints them, which D3DX takes (our reader refuses them).
        const char* text = std::isnan(value) ? "1.#QNAN0" : "1.#INF00";
        if (std::signbit(value)) *at++ = '-';
        const size_t length = std::strlen(text);
        std::memcpy(at, text, length);
        return at + length;
    }
    static char* Put(char* at, uint32_t value) { return std::to_chars(at, at + 12, value).ptr; }
    void Number(uint32_t value) {
        char buffer[12];
        out_.append(buffer, static_cast<size_t>(Put(buffer, value) - buffer));
    }

    // Names are written as identifiers (letters, digits, '_' and '-'): anything
    // else becomes '_', and a leading digit or '-' gets a '_' before it.
    // References go through the same change, so they still match.
    static std::string Identifier(std::string_view name) {
        std::string id;
        if (!name.empty() && ((name[0] >= '0' && name[0] <= '9') || name[0] == '-')) id += '_';
        for (const char c : name) {
            const bool valid = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
            id += valid ? c : '_';
        }
        if (id == "template") id += '_';  // the one word a name cannot be
        return id;
    }
    void Open(int depth, std::string_view type, std::string_view name) {
        Indent(depth);
        out_ += type;
        if (!name.empty()) {
            out_ += ' ';
            out_ += Identifier(name);
        }
        out_ += " {\n";
    }
    void String(int depth, std::string_view text) {
        Indent(depth);
        out_ += '"';
        for (const char c : text) out_ += c == '"' || static_cast<unsigned char>(c) < ' ' ? '_' : c;
        out_ += "\";\n";
    }

    // `count` items of `width` floats each: x;y;z;, ... x;y;z;;
    void FloatItems(int depth, const float* values, size_t count, size_t width) {
        Indent(depth);
        Number(static_cast<uint32_t>(count));
        out_ += ";\n";
        for (size_t i = 0; i < count; ++i) {
            char line[24 * 4 + 8];
            char* at = line;
            for (size_t k = 0; k < width; ++k) {
                at = Put(at, values[i * width + k]);
                *at++ = ';';
            }
            *at++ = i + 1 < count ? ',' : ';';
            *at++ = '\n';
            out_.append(line, static_cast<size_t>(at - line));
        }
        if (count == 0) out_ += ";\n";
    }
    void Faces(int depth, const std::vector<uint32_t>& sizes, const std::vector<uint32_t>& corners) {
        Indent(depth);
        Number(static_cast<uint32_t>(sizes.size()));
        out_ += ";\n";
        const uint32_t* corner = corners.data();
        for (size_t face = 0; face < sizes.size(); ++face) {
            char line[64];
            char* at = Put(line, sizes[face]);
            *at++ = ';';
            for (uint32_t k = 0; k < sizes[face]; ++k) {
                if (line + sizeof line - at < 16) {
                    out_.append(line, static_cast<size_t>(at - line));
                    at = line;
                }
                at = Put(at, *corner++);
                *at++ = k + 1 < sizes[face] ? ',' : ';';
            }
            *at++ = face + 1 < sizes.size() ? ',' : ';';
            *at++ = '\n';
            out_.append(line, static_cast<size_t>(at - line));
        }
        if (sizes.empty()) out_ += ";\n";
    }
    // A flat list: a, b, c;
    template <class T>
    void List(int depth, const T* values, size_t count) {
        Indent(depth);
        char buffer[32];
        for (size_t i = 0; i < count; ++i) {
            char* at = Put(buffer, values[i]);
            *at++ = i + 1 < count ? ',' : ';';
            out_.append(buffer, static_cast<size_t>(at - buffer));
        }
        if (count == 0) out_ += ';';
        out_ += '\n';
    }
    void Matrix(int depth, const Matrix& matrix) {
        List(depth, matrix.data(), matrix.size());
        out_.back() = ';';
        out_ += '\n';
    }

    void WriteFrames(const Scene& scene) {
        // Children in order, walked with a stack: the tree may be deeper than the call stack.
        std::vector<std::vector<uint32_t>> children(scene.frames.size());
        std::vector<uint32_t> stack;
        for (size_t i = scene.frames.size(); i-- > 0;) {
            const int32_t parent = scene.frames[i].parent;
            (parent < 0 ? stack : children[static_cast<size_t>(parent)]).push_back(static_cast<uint32_t>(i));
        }
        // Entries with the high bit set close the frame of that index.
        constexpr uint32_t kClose = 0x80000000u;
        int depth = 0;
        while (!stack.empty()) {
            const uint32_t entry = stack.back();
            stack.pop_back();
            if (entry & kClose) {
                Line(--depth, "}");
                continue;
            }
            const Frame& frame = scene.frames[entry];
            Open(depth, "Frame", frame.name);
            Open(depth + 1, "FrameTransformMatrix", {});
            Matrix(depth + 2, frame.transform);
            Line(depth + 1, "}");
            for (const uint32_t mesh : frame.meshes) WriteMesh(scene.meshes[mesh], depth + 1);
            ++depth;
            stack.push_back(entry | kClose);
            stack.insert(stack.end(), children[entry].begin(), children[entry].end());
        }
    }

    void WriteMesh(const Mesh& mesh, int depth) {
        Open(depth, "Mesh", mesh.name);
        FloatItems(depth + 1, mesh.positions.data(), mesh.VertexCount(), 3);
        Faces(depth + 1, mesh.faceSizes, mesh.faceVertices);
        if (!mesh.normals.empty() || !mesh.normalFaceSizes.empty()) {
            Open(depth + 1, "MeshNormals", {});
            FloatItems(depth + 2, mesh.normals.data(), mesh.normals.size() / 3, 3);
            Faces(depth + 2, mesh.normalFaceSizes, mesh.normalFaceIndices);
            Line(depth + 1, "}");
        }
        if (!mesh.uvs.empty()) {
            Open(depth + 1, "MeshTextureCoords", {});
            FloatItems(depth + 2, mesh.uvs.data(), mesh.uvs.size() / 2, 2);
            Line(depth + 1, "}");
        }
        if (!mesh.vertexColors.empty()) WriteVertexColors(mesh.vertexColors, depth + 1);
        if (!mesh.materials.empty() || !mesh.faceMaterials.empty()) {
            Open(depth + 1, "MeshMaterialList", {});
            Indent(depth + 2);
            Number(static_cast<uint32_t>(mesh.materials.size()));
            out_ += ";\n";
            Indent(depth + 2);
            Number(static_cast<uint32_t>(mesh.faceMaterials.size()));
            out_ += ";\n";
            List(depth + 2, mesh.faceMaterials.data(), mesh.faceMaterials.size());
            for (const Material& material : mesh.materials) WriteMaterial(material, depth + 2);
            Line(depth + 1, "}");
        }
        if (mesh.maxSkinWeightsPerVertex != 0 || mesh.maxSkinWeightsPerFace != 0 || mesh.boneCount != 0) {
            Open(depth + 1, "XSkinMeshHeader", {});
            const uint32_t values[] = {mesh.maxSkinWeightsPerVertex, mesh.maxSkinWeightsPerFace, mesh.boneCount};
            List(depth + 2, values, 3);
            Line(depth + 1, "}");
        }
        for (const SkinWeights& skin : mesh.skinWeights) {
            Open(depth + 1, "SkinWeights", {});
            String(depth + 2, Identifier(skin.boneName));
            Indent(depth + 2);
            Number(static_cast<uint32_t>(skin.vertices.size()));
            out_ += ";\n";
            List(depth + 2, skin.vertices.data(), skin.vertices.size());
            List(depth + 2, skin.weights.data(), skin.weights.size());
            Matrix(depth + 2, skin.offset);
            Line(depth + 1, "}");
        }
        Line(depth, "}");
    }

    void WriteVertexColors(const std::vector<uint32_t>& colors, int depth) {
        Open(depth, "MeshVertexColors", {});
        Indent(depth + 1);
        Number(static_cast<uint32_t>(colors.size()));
        out_ += ";\n";
        for (size_t i = 0; i < colors.size(); ++i) {
            char line[96];
            char* at = Put(line, static_cast<uint32_t>(i));
            *at++ = ';';
            for (const int shift : {16, 8, 0, 24}) {
                at = Put(at, static_cast<float>(colors[i] >> shift & 0xFF) / 255.0f);
                *at++ = ';';
            }
            *at++ = ';';
            *at++ = i + 1 < colors.size() ? ',' : ';';
            *at++ = '\n';
            out_.append(line, static_cast<size_t>(at - line));
        }
        Line(depth, "}");
    }

    void WriteMaterial(const Material& material, int depth) {
        Open(depth, "Material", material.name);
        // Each value ends in ';', and a colour, being a structure, in one more.
        const auto values = [&](const float* first, size_t count, bool structure) {
            char line[128];
            char* at = line;
            for (size_t i = 0; i < count; ++i) {
                at = Put(at, first[i]);
                *at++ = ';';
            }
            if (structure) *at++ = ';';
            *at++ = '\n';
            Indent(depth + 1);
            out_.append(line, static_cast<size_t>(at - line));
        };
        values(material.faceColor.data(), 4, true);
        values(&material.power, 1, false);
        values(material.specularColor.data(), 3, true);
        values(material.emissiveColor.data(), 3, true);
        if (!material.textureFile.empty()) {
            Open(depth + 1, "TextureFilename", {});
            String(depth + 2, material.textureFile);
            Line(depth + 1, "}");
        }
        Line(depth, "}");
    }

    void WriteAnimationSet(const AnimationSet& set) {
        Open(0, "AnimationSet", set.name);
        for (const Animation& animation : set.animations) {
            Open(1, "Animation", animation.name);
            if (!animation.frameName.empty()) {
                Indent(2);
                out_ += "{ " + Identifier(animation.frameName) + " }\n";
            }
            if (animation.hasOptions) {
                Open(2, "AnimationOptions", {});
                const uint32_t values[] = {animation.closed ? 0u : 1u, animation.splinePositions ? 0u : 1u};
                List(3, values, 2);
                Line(2, "}");
            }
            for (const AnimationKeys& keys : animation.keys) WriteKeys(keys);
            Line(1, "}");
        }
        Line(0, "}");
    }

    void WriteKeys(const AnimationKeys& keys) {
        Open(2, "AnimationKey", {});
        const size_t values = ValuesPerKey(keys.keyType);
        Indent(3);
        Number(keys.keyType);
        out_ += ";\n";
        Indent(3);
        Number(static_cast<uint32_t>(keys.times.size()));
        out_ += ";\n";
        for (size_t key = 0; key < keys.times.size(); ++key) {
            char line[24 * 16 + 32];
            char* at = Put(line, keys.times[key]);
            *at++ = ';';
            at = Put(at, static_cast<uint32_t>(values));
            *at++ = ';';
            for (size_t k = 0; k < values; ++k) {
                at = Put(at, keys.values[key * values + k]);
                *at++ = k + 1 < values ? ',' : ';';
            }
            *at++ = ';';
            *at++ = key + 1 < keys.times.size() ? ',' : ';';
            *at++ = '\n';
            Indent(3);
            out_.append(line, static_cast<size_t>(at - line));
        }
        Line(2, "}");
    }

    std::string out_;
};

}  // namespace

std::string WriteXText(const Scene& scene) { return TextWriter().Write(scene); }

void WriteXFile(const std::string& path, const Scene& scene) {
    const std::string text = WriteXText(scene);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(text.data(), static_cast<std::streamsize>(text.size())) || !file.flush())
        throw std::runtime_error("cannot write .x file " + path);
}

}  // namespace vgx::xfile
