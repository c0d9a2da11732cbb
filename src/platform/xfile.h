#pragma once
// What a DirectX .x file says, as read by ReadXFile and written by WriteXFile: the
// frame tree, the meshes in their own vertex and face indexing, materials,
// animation keys and skin weights. Nothing here is converted to the scene graph's
// conventions; that is the job of the file conversions under src/scene.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vgx::xfile {

// Row-major, row vectors (p' = p x M), translation in elements 12..14, as in the file.
using Matrix = std::array<float, 16>;
Matrix IdentityMatrix();

struct Material {
    std::string name;                              // empty for an inline material without one
    std::array<float, 4> faceColor{1, 1, 1, 1};    // red, green, blue, alpha
    float power = 0;
    std::array<float, 3> specularColor{0, 0, 0};
    std::array<float, 3> emissiveColor{0, 0, 0};
    std::string textureFile;                       // TextureFilename as written, empty when none
};

struct SkinWeights {
    std::string boneName;            // the frame this bone is
    std::vector<uint32_t> vertices;  // indices into the mesh's positions
    std::vector<float> weights;      // one per vertex entry
    Matrix offset = IdentityMatrix();
};

struct Mesh {
    std::string name;
    std::vector<float> positions;        // x, y, z per vertex
    std::vector<uint32_t> faceSizes;     // corners per face
    std::vector<uint32_t> faceVertices;  // all faces' vertex indices, face after face

    // MeshNormals: their own list and their own faces, which match the mesh's
    // faces one to one (same count, same corner counts). Empty when absent.
    std::vector<float> normals;               // x, y, z per normal
    std::vector<uint32_t> normalFaceSizes;
    std::vector<uint32_t> normalFaceIndices;

    std::vector<float> uvs;             // MeshTextureCoords: u, v per vertex; empty when absent
    std::vector<uint32_t> vertexColors; // MeshVertexColors: 0xAARRGGBB per vertex; empty when absent

    // MeshMaterialList: the material of each face (indices into `materials`), or
    // empty when the file lists none; a list shorter than the face count repeats
    // its last entry, as D3DX does.
    std::vector<Material> materials;
    std::vector<uint32_t> faceMaterials;

    // XSkinMeshHeader (zero when absent) and SkinWeights.
    uint32_t maxSkinWeightsPerVertex = 0;
    uint32_t maxSkinWeightsPerFace = 0;
    uint32_t boneCount = 0;
    std::vector<SkinWeights> skinWeights;

    size_t VertexCount() const { return positions.size() / 3; }
    size_t FaceCount() const { return faceSizes.size(); }
};

// One AnimationKey block: keyType 0 rotation (w, x, y, z quaternion, as in the
// file), 1 scale (x, y, z), 2 position (x, y, z), 4 matrix (16 values).
struct AnimationKeys {
    uint32_t keyType = 0;
    std::vector<uint32_t> times;
    std::vector<float> values;  // ValuesPerKey(keyType) per time
};
size_t ValuesPerKey(uint32_t keyType);  // 4, 3, 3, 16; 0 for any other type

struct Animation {
    std::string name;
    std::string frameName;  // the frame the { reference } names; empty when none
    int32_t frame = -1;     // the frame itself where the reader knows it (a glTF node), else by frameName
    bool closed = false;    // AnimationOptions: openclosed 0 = closed, 1 = open
    bool splinePositions = false;  // AnimationOptions: positionquality 0 = spline, 1 = linear
    bool hasOptions = false;
    std::vector<AnimationKeys> keys;
};

struct AnimationSet {
    std::string name;
    std::vector<Animation> animations;
};

struct Frame {
    std::string name;
    Matrix transform = IdentityMatrix();  // FrameTransformMatrix, in its parent's frame
    int32_t parent = -1;                  // index into Scene::frames, -1 at the top
    std::vector<uint32_t> meshes;         // indices into Scene::meshes
};

struct Scene {
    uint32_t majorVersion = 3, minorVersion = 3;
    // Parents come before their children. Meshes at the top of the file belong to
    // no frame (meshFrame -1).
    std::vector<Frame> frames;
    std::vector<Mesh> meshes;
    std::vector<int32_t> meshFrame;  // per mesh, its frame or -1
    std::vector<AnimationSet> animationSets;
    uint32_t ticksPerSecond = 0;     // AnimTicksPerSecond, 0 when absent
};

// A file that is not a readable .x file: its what() says why, for a person.
struct FormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads text, binary and MSZIP-compressed (bzip) .x files, 32- or 64-bit floats.
// Unknown templates and objects are skipped. Raises FormatError for anything that is
// not a well-formed file, for a number read that is NaN or infinite, and never
// allocates far beyond the file's own size.
Scene ParseXFile(const uint8_t* data, size_t size);
// Reads the file at `path`; FormatError also when it cannot be opened.
Scene ReadXFile(const std::string& path);

// Writes `scene` as a text .x file (format 0303, 32-bit floats) that ReadXFile reads
// back to an equal Scene when its numbers are finite. Raises std::runtime_error when
// the file cannot be written.
void WriteXFile(const std::string& path, const Scene& scene);
std::string WriteXText(const Scene& scene);

}  // namespace vgx::xfile
