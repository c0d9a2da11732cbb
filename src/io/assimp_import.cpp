// Files Assimp reads (OBJ with MTL, PLY, STL, FBX, COLLADA and more) brought to
// the scene form the .x conversions build groups and objects from. Assimp turns
// them left-handed with clockwise faces and top-down texture coordinates, as
// this library has them; faces keep their corner counts.
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/frame_math.h"
#include "io/scene_import.h"

namespace vgx::rm {
namespace {

xfile::Matrix RowVectorMatrix(const aiMatrix4x4& m) {
    // Assimp's matrices act on column vectors: the transpose acts on row vectors.
    return {m.a1, m.b1, m.c1, m.d1, m.a2, m.b2, m.c2, m.d2, m.a3, m.b3, m.c3, m.d3, m.a4, m.b4, m.c4, m.d4};
}

class AssimpConverter {
public:
    AssimpConverter(const aiScene& scene, const std::string& path) : scene_(scene) {
        const std::filesystem::path file(path);
        folder_ = file.parent_path().string();
        if (!folder_.empty()) folder_ += '/';
        title_ = file.stem().string();
    }

    ImportedScene Run() {
        if (scene_.mNumCameras > 0) NoteSkipped(result_, "cameras");
        if (scene_.mNumLights > 0) NoteSkipped(result_, "lights");
        // Depth first from the root, parents before children.
        std::vector<std::pair<const aiNode*, int32_t>> stack{{scene_.mRootNode, -1}};
        while (!stack.empty()) {
            const auto [node, parent] = stack.back();
            stack.pop_back();
            const auto frame = static_cast<int32_t>(result_.scene.frames.size());
            xfile::Frame out;
            out.name = node->mName.C_Str();
            out.parent = parent;
            out.transform = RowVectorMatrix(node->mTransformation);
            result_.scene.frames.push_back(std::move(out));
            if (node->mNumMeshes > 0) AddMesh(*node, frame);
            for (unsigned c = node->mNumChildren; c-- > 0;) stack.emplace_back(node->mChildren[c], frame);
        }
        AddAnimation();
        return std::move(result_);
    }

private:
    // The first animation's position and rotation keys, times in seconds as ticks.
    void AddAnimation() {
        if (scene_.mNumAnimations == 0) return;
        if (scene_.mNumAnimations > 1) NoteSkipped(result_, "animations after the first");
        const aiAnimation& animation = *scene_.mAnimations[0];
        // Assimp's own default when the file gives no rate.
        const double ticksPerSecond = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 25.0;
        const auto ticks = [&](double time) {
            const double scaled = time / ticksPerSecond * kImportTicksPerSecond;
            if (!(scaled >= 0 && scaled <= UINT32_MAX)) throw xfile::FormatError("an animation time out of range");
            return static_cast<uint32_t>(std::lround(scaled));
        };
        xfile::AnimationSet set;
        set.name = animation.mName.C_Str();
        for (unsigned c = 0; c < animation.mNumChannels; ++c) {
            const aiNodeAnim& channel = *animation.mChannels[c];
            xfile::Animation out;
            out.frameName = channel.mNodeName.C_Str();
            out.hasOptions = true;
            if (channel.mNumPositionKeys > 0) {
                xfile::AnimationKeys& keys = out.keys.emplace_back();
                keys.keyType = 2;
                for (unsigned k = 0; k < channel.mNumPositionKeys; ++k) {
                    const aiVectorKey& key = channel.mPositionKeys[k];
                    keys.times.push_back(ticks(key.mTime));
                    keys.values.insert(keys.values.end(), {key.mValue.x, key.mValue.y, key.mValue.z});
                }
            }
            if (channel.mNumRotationKeys > 0) {
                xfile::AnimationKeys& keys = out.keys.emplace_back();
                keys.keyType = 0;
                for (unsigned k = 0; k < channel.mNumRotationKeys; ++k) {
                    const aiQuatKey& key = channel.mRotationKeys[k];
                    // Assimp's rotations act on column vectors: the transpose acts on row vectors.
                    const aiMatrix3x3 m = key.mValue.GetMatrix();
                    VgxMatrix rotation = MatrixIdentity();
                    const float columns[3][3] = {{m.a1, m.b1, m.c1}, {m.a2, m.b2, m.c2}, {m.a3, m.b3, m.c3}};
                    for (int r = 0; r < 3; ++r) {
                        for (int col = 0; col < 3; ++col) rotation.m[r * 4 + col] = columns[r][col];
                    }
                    keys.times.push_back(ticks(key.mTime));
                    const std::array<float, 4> value = XRotationKey(QuaternionFromMatrix(rotation));
                    keys.values.insert(keys.values.end(), value.begin(), value.end());
                }
            }
            for (unsigned k = 0; k < channel.mNumScalingKeys; ++k) {
                const aiVector3D& scale = channel.mScalingKeys[k].mValue;
                if (scale.x != 1 || scale.y != 1 || scale.z != 1) NoteSkipped(result_, "scale animation");
            }
            if (!out.keys.empty()) set.animations.push_back(std::move(out));
        }
        if (set.animations.empty()) return;
        result_.scene.animationSets.push_back(std::move(set));
        result_.scene.ticksPerSecond = static_cast<uint32_t>(kImportTicksPerSecond);
    }

    // The node's meshes as one, each Assimp mesh's faces with its material.
    void AddMesh(const aiNode& node, int32_t frame) {
        xfile::Mesh out;
        out.name = node.mName.C_Str();
        bool allNormals = true, anyUVs = false, anyColors = false;
        size_t vertexTotal = 0;
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            const aiMesh& mesh = *scene_.mMeshes[node.mMeshes[i]];
            allNormals = allNormals && mesh.HasNormals();
            anyUVs = anyUVs || mesh.HasTextureCoords(0);
            anyColors = anyColors || mesh.HasVertexColors(0);
            vertexTotal += mesh.mNumVertices;
        }
        out.positions.reserve(3 * vertexTotal);
        if (allNormals) out.normals.reserve(3 * vertexTotal);
        if (anyUVs) out.uvs.reserve(2 * vertexTotal);
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            const aiMesh& mesh = *scene_.mMeshes[node.mMeshes[i]];
            if (node.mNumMeshes == 1 && mesh.mName.length > 0) out.name = mesh.mName.C_Str();
            if (mesh.mNumAnimMeshes > 0) NoteSkipped(result_, "morph targets");
            const auto base = static_cast<uint32_t>(out.VertexCount());
            for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
                const aiVector3D& p = mesh.mVertices[v];
                out.positions.insert(out.positions.end(), {p.x, p.y, p.z});
                if (allNormals) {
                    const aiVector3D& n = mesh.mNormals[v];
                    out.normals.insert(out.normals.end(), {n.x, n.y, n.z});
                }
                if (anyUVs) {
                    const aiVector3D uv = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0][v] : aiVector3D();
                    out.uvs.insert(out.uvs.end(), {uv.x, uv.y});
                }
                if (anyColors) out.vertexColors.push_back(ColorOf(mesh, v));
            }
            const auto material = static_cast<uint32_t>(out.materials.size());
            out.materials.push_back(ConvertMaterial(*scene_.mMaterials[mesh.mMaterialIndex]));
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const aiFace& face = mesh.mFaces[f];
                if (face.mNumIndices < 3) {
                    NoteSkipped(result_, "points and lines");
                    continue;
                }
                out.faceSizes.push_back(face.mNumIndices);
                for (unsigned k = 0; k < face.mNumIndices; ++k) out.faceVertices.push_back(base + face.mIndices[k]);
                out.faceMaterials.push_back(material);
            }
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                const aiBone& bone = *mesh.mBones[b];
                xfile::SkinWeights skin;
                skin.boneName = bone.mName.C_Str();
                skin.offset = RowVectorMatrix(bone.mOffsetMatrix);
                for (unsigned w = 0; w < bone.mNumWeights; ++w) {
                    skin.vertices.push_back(base + bone.mWeights[w].mVertexId);
                    skin.weights.push_back(bone.mWeights[w].mWeight);
                }
                out.skinWeights.push_back(std::move(skin));
            }
        }
        if (out.faceSizes.empty()) return;
        if (allNormals) {
            out.normalFaceSizes = out.faceSizes;
            out.normalFaceIndices = out.faceVertices;
        }
        result_.scene.frames[static_cast<size_t>(frame)].meshes.push_back(
            static_cast<uint32_t>(result_.scene.meshes.size()));
        result_.scene.meshes.push_back(std::move(out));
        result_.scene.meshFrame.push_back(frame);
    }

    static uint32_t ColorOf(const aiMesh& mesh, unsigned v) {
        if (!mesh.HasVertexColors(0)) return 0xFFFFFFFFu;
        const aiColor4D& c = mesh.mColors[0][v];
        const auto byte = [](float x) { return static_cast<uint32_t>(std::clamp(x, 0.0f, 1.0f) * 255 + 0.5f); };
        return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    }

    xfile::Material ConvertMaterial(const aiMaterial& material) {
        xfile::Material out;
        aiString name;
        if (material.Get(AI_MATKEY_NAME, name) == aiReturn_SUCCESS) out.name = name.C_Str();
        aiColor4D color(1, 1, 1, 1);
        material.Get(AI_MATKEY_COLOR_DIFFUSE, color);
        float opacity = 1;
        material.Get(AI_MATKEY_OPACITY, opacity);
        out.faceColor = {color.r, color.g, color.b, std::clamp(color.a * opacity, 0.0f, 1.0f)};
        aiColor3D specular(0, 0, 0), emissive(0, 0, 0);
        material.Get(AI_MATKEY_COLOR_SPECULAR, specular);
        material.Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
        out.specularColor = {specular.r, specular.g, specular.b};
        out.emissiveColor = {emissive.r, emissive.g, emissive.b};
        material.Get(AI_MATKEY_SHININESS, out.power);
        out.power = std::max(out.power, 0.0f);
        aiString texture;
        if (material.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == aiReturn_SUCCESS) {
            out.textureFile = TextureName(texture.C_Str());
        }
        return out;
    }

    // An image inside the file is registered under a name of its own; a file the
    // path names relative to the scene file is given with that folder.
    std::string TextureName(const std::string& path) {
        if (const aiTexture* embedded = scene_.GetEmbeddedTexture(path.c_str())) {
            if (embedded->mHeight != 0) {
                NoteSkipped(result_, "uncompressed embedded images");
                return {};
            }
            const std::string hint = embedded->achFormatHint;
            std::string name = embedded->mFilename.length > 0
                                   ? std::filesystem::path(embedded->mFilename.C_Str()).filename().string()
                                   : title_ + "_image" + std::to_string(result_.images.size()) + "." +
                                         (hint.empty() ? std::string("png") : hint);
            for (const EmbeddedImage& image : result_.images) {
                if (image.name == name) return name;
            }
            const auto* bytes = reinterpret_cast<const uint8_t*>(embedded->pcData);
            result_.images.push_back({name, std::vector<uint8_t>(bytes, bytes + embedded->mWidth)});
            return name;
        }
        std::error_code error;
        if (!folder_.empty() && std::filesystem::is_regular_file(folder_ + path, error)) return folder_ + path;
        return path;
    }

    const aiScene& scene_;
    std::string folder_, title_;
    ImportedScene result_;
};

}  // namespace

bool IsAssimpExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".obj" || extension == ".ply" || extension == ".stl" || extension == ".fbx" ||
           extension == ".dae";
}

ImportedScene ImportWithAssimp(std::span<const uint8_t> bytes, const std::string& path) {
    Assimp::Importer importer;
    constexpr unsigned kSteps =
        aiProcess_ConvertToLeftHanded | aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure;
    // Assimp picks its reader by the extension first; without a known one the bytes decide.
    const aiScene* scene = IsAssimpExtension(path) ? importer.ReadFile(path, kSteps)
                                                   : importer.ReadFileFromMemory(bytes.data(), bytes.size(), kSteps);
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        const std::string reason = importer.GetErrorString();
        throw xfile::FormatError(reason.empty() ? "not a scene file any reader knows" : reason);
    }
    ImportedScene imported = AssimpConverter(*scene, path).Run();
    imported.animateGroups = true;
    return imported;
}

}  // namespace vgx::rm
