// Any bytes as a modelling session: a cube or a small grid, then up to kMaxSteps
// operations with arguments good and bad. After every step the host's view must
// hold: geometry that walks cleanly with finite coordinates, render buffers whose
// indexes stay inside their vertex blocks, a ray pick that returns, and an
// operation that raised VgxError left the geometry as it was.
#include <vgx/Vgx7a.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxSteps = 40;
// Growth stops here so that a run stays fast: faces of the editable mesh, and
// faces shown once the smoothing level and the mirror are applied.
constexpr int64_t kMaxFaces = 3000;
constexpr int64_t kMaxShownFaces = 8000;
// Resizing stops beyond this extent, so finite input cannot overflow by repetition.
constexpr float kMaxExtent = 1e6f;
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr float kInf = std::numeric_limits<float>::infinity();

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return pos_ >= size_; }
    uint8_t Byte() { return Done() ? 0 : data_[pos_++]; }
    bool Flag() { return (Byte() & 1) != 0; }

    // Mostly an index below count; else one just outside, or far outside.
    int32_t Index(int32_t count) {
        const uint8_t b = Byte();
        if (b < 224) return count > 0 ? b % count : 0;
        const int32_t odd[] = {-1, count, count + 1, kIntMax, kIntMin, -1000, 0, count - 1};
        return odd[b & 7];
    }
    // Mostly a value of lo..hi; else one just outside or at the extremes.
    int32_t Between(int32_t lo, int32_t hi) {
        const uint8_t b = Byte();
        if (b < 224) return lo + b % (hi - lo + 1);
        const int32_t odd[] = {lo - 1, hi + 1, kIntMax, kIntMin, -1, 0, 100, 1000};
        return odd[b & 7];
    }
    // A count an operation's work grows with: mostly 0..hi, else negative or just
    // above (a huge one would only measure how much memory the machine has).
    int32_t Count(int32_t hi) {
        const uint8_t b = Byte();
        if (b < 224) return b % (hi + 1);
        const int32_t odd[] = {-1, hi + 1, kIntMin, -1000, 0, hi + 2, -2, 1};
        return odd[b & 7];
    }
    // Mostly a small finite value; else NaN, an infinity, zero or an extreme.
    float Value() {
        const uint8_t b = Byte();
        if (b < 232) return static_cast<float>(b - 116) / 16.0f;
        const float odd[] = {std::nanf(""), kInf, -kInf, 0.0f, 1e4f, -1e4f, 1e-6f, -0.0f};
        return odd[b & 7];
    }
    VgxVector Vector() { return {Value(), Value(), Value()}; }
    VgxUV UV() { return {Value(), Value()}; }
    // 0..7 indexes below count (mostly).
    std::vector<int32_t> Indexes(int32_t count) {
        std::vector<int32_t> list(Byte() % 8);
        for (int32_t& id : list) id = Index(count);
        return list;
    }
    // (face, side) pairs, now and then with a side missing.
    std::vector<int32_t> Edges(const VgxObject& object) {
        std::vector<int32_t> list;
        const int pairs = Byte() % 5;
        for (int k = 0; k < pairs; ++k) {
            const int32_t face = Index(object.GetFaceCount());
            list.push_back(face);
            const bool real = face >= 0 && face < object.GetFaceCount();
            list.push_back(Index(real ? object.GetFace(face)->GetPointCount() : 4));
        }
        if (!list.empty() && Byte() >= 240) list.pop_back();
        return list;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

struct Geometry {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;

    explicit Geometry(const VgxObject& object) {
        object.GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
    }
    bool operator==(const Geometry& other) const {
        return SameBytes(points, other.points) && SameBytes(normals, other.normals) && SameBytes(uvs, other.uvs) &&
               faceData == other.faceData;
    }
    // Corners over all faces, from the FaceData layout (n, then n triples, per face).
    int64_t Corners(int32_t faceCount) const { return (faceDataCount - 1 - faceCount) / 3; }

private:
    template <class T>
    static bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
    }
};

bool Finite(const VgxVector& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

// FaceData holds one block per face, each index inside its list, then the final 0.
void CheckGeometry(const VgxObject& object, const Geometry& g, bool uncheckedCorners) {
    Require(g.pointCount == static_cast<int32_t>(g.points.size()) &&
            g.normalCount == static_cast<int32_t>(g.normals.size()) &&
            g.uvCount == static_cast<int32_t>(g.uvs.size()) &&
            g.faceDataCount == static_cast<int32_t>(g.faceData.size()));
    for (const VgxVector& p : g.points) Require(Finite(p));
    for (const VgxVector& n : g.normals) Require(Finite(n));
    for (const VgxUV& uv : g.uvs) Require(std::isfinite(uv.U) && std::isfinite(uv.V));
    int64_t at = 0;
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) {
        Require(at < g.faceDataCount);
        const int64_t n = g.faceData[at++];
        Require(n >= 0 && at + 3 * n < g.faceDataCount);
        for (int64_t k = 0; k < n; ++k, at += 3) {
            Require(g.faceData[at] >= 0 && g.faceData[at] < g.pointCount);
            if (uncheckedCorners) continue;
            Require(g.faceData[at + 1] >= 0 && g.faceData[at + 1] < g.normalCount);
            Require(g.faceData[at + 2] >= 0 && g.faceData[at + 2] < g.uvCount);
        }
    }
    Require(at == g.faceDataCount - 1 && g.faceData[at] == 0);
}

// Every index of the buffer is below vertexCount.
void CheckIndexes(const std::shared_ptr<VgxIndexBuffer>& buffer, int32_t vertexCount) {
    if (!buffer) return;
    const bool wide = buffer->GetFormat() == VgxFormatIndex32;
    Require(wide || buffer->GetFormat() == VgxFormatIndex16);
    const size_t width = wide ? 4 : 2;
    std::vector<uint8_t> bytes(buffer->GetLength());
    Require(bytes.size() % width == 0);
    buffer->Read(0, bytes.data(), bytes.size());
    for (size_t at = 0; at < bytes.size(); at += width) {
        int32_t index = 0;
        if (wide) {
            std::memcpy(&index, &bytes[at], 4);
        } else {
            int16_t narrow = 0;
            std::memcpy(&narrow, &bytes[at], 2);
            index = narrow;
        }
        Require(index >= 0 && index < vertexCount);
    }
}

// Both blocks fit in the buffer, and every position and normal is finite.
void CheckVertices(const std::shared_ptr<VgxVertexBuffer>& buffer, int32_t vertexCount) {
    if (!buffer) return;
    Require(buffer->GetLength() >= static_cast<size_t>(vertexCount) * 44);
    std::vector<float> vertex(11);
    for (int32_t v = 0; v < vertexCount; ++v) {
        buffer->Read(static_cast<size_t>(v) * 44, vertex.data(), 44);
        for (int k = 0; k < 6; ++k) Require(std::isfinite(vertex[k]));  // position and normal
    }
}

struct Scene {
    std::shared_ptr<Vgx> root = Vgx::Create();
    int32_t deviceId = root->CreateDeviceID();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    std::shared_ptr<VgxGroup> group = root->CreateGroup(nullptr);
    std::shared_ptr<VgxObject> object = root->CreateObject();
    std::shared_ptr<VgxMaterial> materials[2] = {root->CreateMaterial(), root->CreateMaterial()};
    // AddFacesIndexed takes normal and UV indexes on trust: once it has run, corners
    // may name none, and the geometry check leaves those indexes alone.
    bool uncheckedCorners = false;

    Scene() {
        group->AddObject(object);
        materials[1]->SetColor(0x00FF8000);
    }
    ~Scene() { root->ReleaseDirect3DBuffers(); }
};

// The render build may refuse only a smoothing level outside 0..4 or a corner that
// names no coordinate (9), and more vertices than 16-bit indexes reach (6).
bool RefusalAllowed(const Scene& scene, const VgxError& error) {
    const int32_t level = scene.object->GetSmoothingLevel();
    const bool badInput = level < 0 || level > 4 || scene.uncheckedCorners;
    return (error.Number == VgxErrSubscript && badInput) || error.Number == VgxErrOverflow;
}

void CheckRenderBuffers(Scene& scene) {
    VgxObject& object = *scene.object;
    try {
        const auto vertices = object.GetVertexBuffer(scene.deviceId, scene.device);
        const int32_t objectVertices = object.GetVertexBufferObjectVertexCount();
        const int32_t visualVertices = object.GetVertexBufferVisualVertexCount();
        CheckVertices(vertices, objectVertices + visualVertices);
        for (int32_t s = 0; s < object.GetSubObjectCount(); ++s) {
            CheckIndexes(object.GetSubObjectSolidIndexBuffer(scene.deviceId, s), objectVertices);
            CheckIndexes(object.GetSubObjectNonSolidIndexBuffer(scene.deviceId, s), objectVertices);
            CheckIndexes(object.GetSubVisualSolidIndexBuffer(scene.deviceId, s), visualVertices);
            CheckIndexes(object.GetSubVisualNonSolidIndexBuffer(scene.deviceId, s), visualVertices);
        }
    } catch (const VgxError& error) {
        Require(RefusalAllowed(scene, error));
    }
}

// A ray from outside at the centre of the points.
void CheckPick(Scene& scene, const Geometry& g) {
    VgxVector centre{0, 0, 0};
    for (const VgxVector& p : g.points) centre = {centre.X + p.X, centre.Y + p.Y, centre.Z + p.Z};
    const float n = g.points.empty() ? 1.0f : static_cast<float>(g.points.size());
    centre = {centre.X / n, centre.Y / n, centre.Z / n};
    const VgxVector origin{centre.X + 3, centre.Y + 5, centre.Z - 40};
    try {
        scene.group->RayPick(scene.deviceId, scene.device, origin, {3 * -0.025f, 5 * -0.025f, 1});
    } catch (const VgxError& error) {
        Require(RefusalAllowed(scene, error));
    }
}

void StartMesh(VgxObject& object, Input& in) {
    const std::vector<VgxVector> normals{{0, 0, -1}};
    const std::vector<VgxUV> uvs{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::vector<VgxVector> points;
    std::vector<int32_t> faceData;
    const auto corner = [&](int32_t point, int32_t uv) { faceData.insert(faceData.end(), {point, 0, uv}); };
    const uint8_t shape = in.Byte();
    if (shape % 2 == 0) {
        for (int i = 0; i < 8; ++i) points.push_back({float(i & 1), float((i >> 1) & 1), float(i >> 2)});
        const int32_t sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                     {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        for (const auto& side : sides) {
            faceData.push_back(4);
            for (int k = 0; k < 4; ++k) corner(side[k], k);
        }
    } else {
        // A grid of quads, or of triangles, of 1..4 by 1..4 cells.
        const int w = 1 + (shape >> 1) % 4, h = 1 + (shape >> 3) % 4;
        const bool triangles = (shape & 0x20) != 0;
        for (int y = 0; y <= h; ++y)
            for (int x = 0; x <= w; ++x) points.push_back({float(x), float(y), 0});
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int32_t a = y * (w + 1) + x, b = a + 1, c = b + w + 1, d = a + w + 1;
                if (triangles) {
                    faceData.push_back(3), corner(a, 0), corner(b, 1), corner(c, 2);
                    faceData.push_back(3), corner(a, 0), corner(c, 2), corner(d, 3);
                } else {
                    faceData.push_back(4), corner(a, 0), corner(b, 1), corner(c, 2), corner(d, 3);
                }
            }
        }
    }
    faceData.push_back(0);
    object.AddFaces(points, normals, uvs, faceData, true, false);
}

// Faces that `level` rounds of smoothing make of a mesh, from its corner count: the
// first round makes one quad per corner, each further round four of each.
int64_t SmoothedFaces(int64_t faces, int64_t corners, int32_t level) {
    if (level <= 0 || level > 4) return faces;
    int64_t smoothed = corners;
    for (int32_t l = 1; l < level; ++l) smoothed *= 4;
    return smoothed;
}

// Faces shown once the smoothing level and the mirror are applied.
int64_t ShownFaces(int64_t faces, int64_t corners, int32_t level, VgxAxis mirror) {
    return SmoothedFaces(faces, corners, level) * (mirror == VgxAxisNone ? 1 : 2);
}

bool WithinExtent(const Geometry& g) {
    for (const VgxVector& p : g.points)
        if (std::fabs(p.X) > kMaxExtent || std::fabs(p.Y) > kMaxExtent || std::fabs(p.Z) > kMaxExtent) return false;
    return true;
}

// A FaceData list with 0..2 faces of 0..5 corners, its final 0 now and then missing.
std::vector<int32_t> FaceDataOf(Input& in, int32_t points, int32_t normals, int32_t uvs) {
    std::vector<int32_t> data;
    for (int f = in.Byte() % 3; f > 0; --f) {
        const int32_t n = in.Between(0, 5);
        data.push_back(n);
        for (int32_t k = 0; k < n && k < 6; ++k) {
            const int32_t point = in.Index(points), normal = in.Index(normals);
            data.insert(data.end(), {point, normal, in.Index(uvs)});
        }
    }
    if (in.Byte() < 240) data.push_back(0);
    return data;
}

void RunFaceOperation(Scene& scene, Input& in) {
    VgxObject& object = *scene.object;
    const auto face = object.GetFace(in.Index(object.GetFaceCount()));
    switch (in.Byte() % 5) {
        case 0: face->AddPoint(in.Vector(), in.Vector(), in.UV()); break;
        case 1: face->SetPoint(in.Index(face->GetPointCount()), in.Vector(), in.Vector(), in.UV()); break;
        case 2: face->SetUV(in.Index(face->GetPointCount()), in.UV()); break;
        case 3: face->ApplyMaterial(in.Flag() ? scene.materials[in.Byte() % 2] : nullptr); break;
        default: face->SetAppData(in.Between(0, 3)); break;
    }
}

// One operation picked by the input, or none when it would grow the mesh past the
// limits. keepsOnError is cleared for the one documented to raise after changing the mesh.
void RunOperation(Scene& scene, Input& in, const Geometry& g, bool& keepsOnError) {
    VgxObject& object = *scene.object;
    const int32_t faces = object.GetFaceCount(), points = object.GetPointCount();
    const int64_t corners = g.Corners(faces);
    const int32_t level = object.GetSmoothingLevel();
    const VgxAxis mirror = object.GetMirrorAxis();
    const bool mayGrow = faces <= kMaxFaces && ShownFaces(faces, corners, level, mirror) <= kMaxShownFaces &&
                         corners <= 4 * kMaxFaces;
    const auto condition = [](int32_t c) { return static_cast<VgxCondition>(c); };
    switch (in.Byte() % 34) {
        case 0: object.SetPoint(in.Index(points), in.Vector()); break;
        case 1: {
            std::vector<VgxVector> list(in.Index(points + 2) & 15);
            for (VgxVector& p : list) p = in.Vector();
            object.SetPoints(list);
            break;
        }
        case 2: object.Translate(in.Vector()); break;
        case 3:
            if (!WithinExtent(g)) return;
            object.Resize(in.Vector());
            break;
        case 4: RunFaceOperation(scene, in); break;
        case 5: object.DeleteFaces(in.Indexes(faces)); break;
        case 6: {
            const int32_t l = in.Between(0, 4);
            const int64_t smoothed = SmoothedFaces(faces, corners, l);
            if (smoothed > kMaxFaces || ShownFaces(smoothed, 4 * smoothed, level, mirror) > kMaxShownFaces) return;
            object.Smooth(l, condition(in.Byte() % 3), in.Value() * 20, in.Value());
            break;
        }
        case 7: object.Crease(); break;
        case 8: object.Crease2(in.Value() * 20); break;
        case 9: {
            const int32_t l = in.Between(0, 4);
            if (ShownFaces(faces, corners, l, mirror) > kMaxShownFaces) return;
            object.SetSmoothingLevel(l);
            break;
        }
        case 10: {
            const auto axis = static_cast<VgxAxis>(in.Between(0, 3));
            if (ShownFaces(faces, corners, level, axis) > kMaxShownFaces) return;
            object.SetMirrorAxis(axis);
            break;
        }
        case 11: object.SetCreasingFactor(in.Value() * 10); break;
        case 12:
            if (!mayGrow) return;
            object.Divide();
            break;
        case 13:
            if (!mayGrow) return;
            in.Flag() ? object.DivideFaces(in.Indexes(faces), in.Between(0, 2))
                      : object.DivideFaces2(in.Indexes(faces), in.Between(0, 2));
            break;
        case 14: {
            if (!mayGrow) return;
            const auto edges = in.Edges(object);
            object.DivideEdges(edges, in.Count(5));
            break;
        }
        case 15:
            if (!mayGrow) return;
            object.JoinEdges(in.Edges(object));
            break;
        case 16: object.JoinPoints(in.Indexes(points)); break;
        case 17: {
            if (!mayGrow) return;
            const auto list = in.Indexes(points);
            object.BevelPoints(list, in.Value() / 8);
            break;
        }
        case 18: {
            if (!mayGrow) return;
            const auto edges = in.Edges(object);
            const float bevel = in.Value() / 8;
            object.BevelEdges(edges, bevel, in.Flag() ? 101 : 0);
            break;
        }
        case 19: object.Triangulate(); break;
        case 20: {
            // Level 13 or more raises 11 after pass 12, the passes' merges kept.
            const int32_t l = in.Between(0, 14);
            keepsOnError = l < 13;
            object.MergeTriangles(l, in.Flag());
            break;
        }
        case 21: {
            const int32_t l = in.Between(0, 12);
            object.Consolidate(l, in.Flag());
            break;
        }
        case 22: object.RepairGeometry(in.Between(0, 11)); break;
        case 23:
            if (!mayGrow) return;
            object.Solidify(in.Flag() ? 101 : 0);
            break;
        case 24: object.Reduce(in.Between(0, 100)); break;
        case 25: {
            const auto type = static_cast<VgxWrapType>(in.Between(0, 3));
            const auto relative = in.Flag() ? scene.group : nullptr;
            float f[13];
            for (float& v : f) v = in.Value();
            object.ApplyWrap(type, relative, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10],
                             f[11], f[12]);
            break;
        }
        case 26: {
            const bool inDepth = in.Flag();
            object.Optimize(inDepth, in.Between(0, 3));
            break;
        }
        case 27: {
            const VgxVector origin = in.Vector();
            scene.group->RayPick(scene.deviceId, scene.device, origin, in.Vector());
            break;
        }
        case 28: object.ApplyMaterial(in.Flag() ? scene.materials[in.Byte() % 2] : nullptr); break;
        case 29: object.SetSmoothingTension(in.Value()); break;
        case 30: object.SetSmoothingAngle(in.Value() * 20); break;
        case 31: object.SetSmoothingCondition(condition(in.Byte() % 3)); break;
        case 32: {
            if (!mayGrow) return;
            const std::vector<VgxVector> list{in.Vector(), in.Vector(), in.Vector(), in.Vector()};
            const std::vector<VgxVector> normals{in.Vector()};
            const std::vector<VgxUV> uvs{in.UV(), in.UV()};
            const bool indexed = in.Flag();
            const auto data = indexed ? FaceDataOf(in, points, object.GetNormalCount(), object.GetUVCount())
                                      : FaceDataOf(in, 4, 1, 2);
            const bool optimizeCoordinates = in.Flag(), optimizeFaces = in.Flag();
            if (indexed) {
                object.AddFacesIndexed(data, optimizeFaces);
                scene.uncheckedCorners = true;
            } else {
                object.AddFaces(list, normals, uvs, data, optimizeCoordinates, optimizeFaces);
            }
            break;
        }
        default:
            if (!mayGrow) return;
            object.CreateFace();
            break;
    }
}

void RunStep(Scene& scene, Input& in) {
    const Geometry before(*scene.object);
    bool keepsOnError = true;
    try {
        RunOperation(scene, in, before, keepsOnError);
    } catch (const VgxError&) {
        Require(!keepsOnError || Geometry(*scene.object) == before);
    } catch (...) {
        __builtin_trap();
    }
}

}  // namespace

// The library logs now and then to the documents folder; a fuzzing run keeps
// that log out of the user's.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/vgx_fuzz_modelling_XXXXXX";
    if (!std::getenv("XDG_DOCUMENTS_DIR") && mkdtemp(folder)) setenv("XDG_DOCUMENTS_DIR", folder, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    try {
        Scene scene;
        StartMesh(*scene.object, in);
        for (int step = 0; step < kMaxSteps && !in.Done(); ++step) {
            RunStep(scene, in);
            const Geometry after(*scene.object);
            CheckGeometry(*scene.object, after, scene.uncheckedCorners);
            CheckRenderBuffers(scene);
            CheckPick(scene, after);
        }
    } catch (...) {
        __builtin_trap();  // the checks themselves call only what must not raise here
    }
    return 0;
}
