// A fixed run of edits over public meshes, with everything a host or a later
// edit can see hashed after each step: the geometry, the face materials and
// application data, the edges and the lists around points and edges, and the
// render buffers. The expected hashes were taken from the straightforward
// builder before the mesh core was made fast; any change to them means an
// observable result moved.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "support/internals.h"
#include "support/obj_reader.h"

namespace vgx::test {
namespace {

class Hasher {
public:
    void Bytes(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) value_ = (value_ ^ bytes[i]) * 0x100000001b3ULL;
    }
    template <class T>
    void Add(const T& value) {
        Bytes(&value, sizeof value);
    }
    template <class T>
    void AddAll(const std::vector<T>& values, int32_t count) {
        Add(count);
        Bytes(values.data(), sizeof(T) * static_cast<size_t>(count));
    }
    uint64_t Value() const { return value_; }

private:
    uint64_t value_ = 0xcbf29ce484222325ULL;
};

// Materials numbered in order of first appearance, so the hash does not depend
// on where they were allocated.
class MaterialNumbers {
public:
    int32_t Of(const std::shared_ptr<VgxMaterial>& material) {
        return numbers_.try_emplace(material.get(), static_cast<int32_t>(numbers_.size())).first->second;
    }

private:
    std::unordered_map<const VgxMaterial*, int32_t> numbers_;
};

void HashList(Hasher& hash, const ListArena& arena, const ListArena::List& list) {
    hash.Add(list.count);
    arena.ForEach(list, [&](int32_t value) { hash.Add(value); });
}

void HashGeometry(Hasher& hash, const VgxObject& object, MaterialNumbers& materials) {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    object.GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
    hash.AddAll(points, pointCount);
    hash.AddAll(normals, normalCount);
    hash.AddAll(uvs, uvCount);
    hash.AddAll(faceData, faceDataCount);
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) {
        const std::shared_ptr<VgxFace> face = object.GetFace(f);
        hash.Add(materials.Of(face->GetMaterial()));
        hash.Add(face->GetAppData());
    }
}

void HashAdjacency(Hasher& hash, const iVgxObject& level) {
    hash.Add(level.EdgeListCount);
    for (int32_t e = 0; e < level.EdgeListCount; ++e) {
        hash.Add(level.EdgeList[e].Point);
        HashList(hash, level.Adjacency, level.EdgeList[e].FaceList);
    }
    for (int32_t p = 0; p < level.PointListCount; ++p) {
        HashList(hash, level.Adjacency, level.PointList[p].FaceList);
        HashList(hash, level.Adjacency, level.PointList[p].EdgeList);
    }
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) hash.Add(level.FaceCorners(f)[k].Edge);
    }
}

void HashBuffer(Hasher& hash, const std::shared_ptr<VgxDeviceBuffer>& buffer) {
    if (!buffer) {
        hash.Add(-1);
        return;
    }
    std::vector<unsigned char> bytes(buffer->GetLength());
    buffer->Read(0, bytes.data(), bytes.size());
    hash.AddAll(bytes, static_cast<int32_t>(bytes.size()));
}

void HashRender(Hasher& hash, VgxObject& object, MaterialNumbers& materials) {
    auto device = std::make_shared<VgxSoftwareDevice>();
    HashBuffer(hash, object.GetVertexBuffer(0, device));
    hash.Add(object.GetVertexBufferObjectVertexCount());
    hash.Add(object.GetVertexBufferVisualVertexCount());
    for (int32_t s = 0; s < object.GetSubObjectCount(); ++s) {
        hash.Add(materials.Of(object.GetSubObjectMaterial(s)));
        hash.Add(object.GetSubObjectSolidPrimitiveCount(s));
        hash.Add(object.GetSubObjectNonSolidPrimitiveCount(s));
        hash.Add(object.GetSubVisualSolidPrimitiveCount(s));
        hash.Add(object.GetSubVisualNonSolidPrimitiveCount(s));
        HashBuffer(hash, object.GetSubObjectSolidIndexBuffer(0, s));
        HashBuffer(hash, object.GetSubObjectNonSolidIndexBuffer(0, s));
        HashBuffer(hash, object.GetSubVisualSolidIndexBuffer(0, s));
        HashBuffer(hash, object.GetSubVisualNonSolidIndexBuffer(0, s));
    }
}

// Every `step`-th of `count`, at most `limit` of them.
std::vector<int32_t> Every(int32_t count, int32_t step, size_t limit = 1u << 30) {
    std::vector<int32_t> picked;
    for (int32_t i = 0; i < count && picked.size() < limit; i += step) picked.push_back(i);
    return picked;
}

// Side 0 of a few faces spread over the mesh.
std::vector<int32_t> SidePairs(const VgxObject& object, int32_t step, size_t limit) {
    std::vector<int32_t> pairs;
    for (int32_t f : Every(object.GetFaceCount(), step, limit)) pairs.insert(pairs.end(), {f, 0});
    return pairs;
}

struct Step {
    const char* name;
    std::function<void(Vgx&, VgxObject&)> edit;
    bool render;
};

std::vector<Step> Steps(const ObjMesh& mesh) {
    return {
        {"AddFaces",
         [&](Vgx&, VgxObject& o) { o.AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false); },
         true},
        {"Materials",
         [](Vgx& root, VgxObject& o) {
             const std::shared_ptr<VgxMaterial> red = root.CreateMaterial();
             red->SetColorRGBA(1, 0, 0, 1);
             for (int32_t f : Every(o.GetFaceCount(), 3)) o.GetFace(f)->ApplyMaterial(red);
             for (int32_t f : Every(o.GetFaceCount(), 5)) o.GetFace(f)->SetAppData(f + 1);
             o.GetFace(1)->DefaultMaterial(0x0000ff);
         },
         true},
        {"DeleteFaces", [](Vgx&, VgxObject& o) { o.DeleteFaces(Every(o.GetFaceCount(), 11)); }, true},
        {"AddFacesIndexed",
         [](Vgx&, VgxObject& o) {
             std::vector<int32_t> faceData;
             for (int32_t f = 0; f < std::min(10, o.GetFaceCount()); ++f) {
                 std::vector<int32_t> points, normals, uvs;
                 int32_t n = 0;
                 o.GetFace(f)->GetPointIDs(points, normals, uvs, n);
                 faceData.push_back(n);
                 for (int32_t k = n - 1; k >= 0; --k) faceData.insert(faceData.end(), {points[k], normals[k], uvs[k]});
             }
             faceData.push_back(0);
             o.AddFacesIndexed(faceData, true);
         },
         false},
        {"CreateFace",
         [](Vgx&, VgxObject& o) {
             const std::shared_ptr<VgxFace> face = o.CreateFace();
             face->AddPoint({0.5f, 7, 1}, {0, 0, 1}, {0, 0});
             face->AddPoint({1.5f, 7, 1}, {0, 0, 1}, {1, 0});
             face->AddPoint({1.5f, 8, 1}, {0, 0, 1}, {1, 1});
         },
         true},
        {"Optimize", [](Vgx&, VgxObject& o) { o.Optimize(true, 300); }, false},
        {"DivideFaces", [](Vgx&, VgxObject& o) { o.DivideFaces(Every(o.GetFaceCount(), 97, 6), 0); }, false},
        {"DivideFaces2", [](Vgx&, VgxObject& o) { o.DivideFaces2(Every(o.GetFaceCount(), 89, 6), 1); }, false},
        {"DivideEdges", [](Vgx&, VgxObject& o) { o.DivideEdges(SidePairs(o, 83, 6), 2); }, false},
        {"JoinEdges", [](Vgx&, VgxObject& o) { o.JoinEdges(SidePairs(o, 79, 6)); }, false},
        {"JoinPoints",
         [](Vgx&, VgxObject& o) {
             o.JoinPoints({o.GetFace(2)->GetPointID(0), o.GetFace(2)->GetPointID(1)});
         },
         false},
        {"BevelPoints", [](Vgx&, VgxObject& o) { o.BevelPoints(Every(o.GetPointCount(), 71, 6), 0.05f); }, false},
        {"BevelEdges", [](Vgx&, VgxObject& o) { o.BevelEdges(SidePairs(o, 67, 6), 0.05f, 100); }, true},
        {"RepairGeometry", [](Vgx&, VgxObject& o) { o.RepairGeometry(5); }, false},
        {"Triangulate", [](Vgx&, VgxObject& o) { o.Triangulate(); }, false},
        {"MergeTriangles", [](Vgx&, VgxObject& o) { o.MergeTriangles(1, false); }, false},
        {"Consolidate", [](Vgx&, VgxObject& o) { o.Consolidate(1, false); }, true},
        {"Smooth", [](Vgx&, VgxObject& o) { o.Smooth(1, VgxGreaterThan, 30, 0); }, true},
        {"Crease", [](Vgx&, VgxObject& o) { o.Crease(); }, false},
        {"Visual",
         [](Vgx&, VgxObject& o) {
             o.SetSmoothingLevel(2);
             o.SetMirrorAxis(VgxAxisX);
             o.SetQuality(int32_t{VgxShadeGouraud} | VgxFillSolid | VgxFillWireframe);
         },
         true},
        {"Solidify", [](Vgx&, VgxObject& o) { o.Solidify(100); }, false},
        {"Reduce", [](Vgx&, VgxObject& o) { o.Reduce(60); }, true},
        {"Pools",
         [](Vgx&, VgxObject& o) {
             // What the pools find for coordinates they already hold.
             for (int32_t p : Every(o.GetPointCount(), 13)) o.SetAppData(o.AddOptimizedPoint(o.GetPoint(p)));
             for (int32_t n : Every(o.GetNormalCount(), 13)) o.SetAppData(o.AddOptimizedNormal(o.GetNormal(n)));
             for (int32_t t : Every(o.GetUVCount(), 13)) o.SetAppData(o.AddOptimizedUV(o.GetUV(t)));
         },
         false},
    };
}

// One hash per step; an edit that raises is hashed by its error, as a host sees
// it.
std::vector<std::pair<std::string, uint64_t>> RunSteps(const std::string& file) {
    const ObjMesh mesh = ReadObj(TestDataPath(file));
    const std::shared_ptr<Vgx> root = Vgx::Create();
    const std::shared_ptr<VgxObject> object = root->CreateObject();
    EXPECT_EQ(root->CreateDeviceID(), 0);
    MaterialNumbers materials;
    std::vector<std::pair<std::string, uint64_t>> hashes;
    for (const Step& step : Steps(mesh)) {
        Hasher hash;
        try {
            step.edit(*root, *object);
        } catch (const VgxError& e) {
            hash.Add(e.Number);
            hash.Bytes(e.Description.data(), e.Description.size());
        }
        HashGeometry(hash, *object, materials);
        // Out-of-date edges are remade before anything reads them.
        if (Internals(*object).edgesValid) HashAdjacency(hash, Internals(*object).Base());
        if (step.render) HashRender(hash, *object, materials);
        hashes.emplace_back(step.name, hash.Value());
    }
    return hashes;
}

struct Golden {
    const char* file;
    std::vector<uint64_t> hashes;
};

class GoldenRun : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenRun, EveryStepLeavesTheSameMeshAsBefore) {
    const Golden& golden = GetParam();
    const auto hashes = RunSteps(golden.file);
    ASSERT_EQ(hashes.size(), golden.hashes.size());
    for (size_t i = 0; i < hashes.size(); ++i) {
        EXPECT_EQ(hashes[i].second, golden.hashes[i]) << golden.file << " after " << hashes[i].first;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PublicMeshes, GoldenRun,
    ::testing::Values(
        Golden{"meshes/common/suzanne.obj",
               {0xa0cd5ddad5a0665dULL, 0xddce2f3f3a858107ULL, 0x9ec103b31810f2fbULL, 0xf73ce4e2c68fffabULL,
                0x6f011fbd7df337f9ULL, 0x3065333b3c732256ULL, 0xca4342f3c4615150ULL, 0x33f0d44b47dad842ULL,
                0xf0e74b3fea8ceb10ULL, 0xa77c1188a34e4949ULL, 0xa77c1188a34e4949ULL, 0xb78b7243e00109eaULL,
                0x95954463d86ba3d5ULL, 0xccbb2a229a57dcdcULL, 0x740d88da863387abULL, 0x9fabac5f4ca30b0dULL,
                0x6d21ffcb65ed25e4ULL, 0x613816ab8330874bULL, 0x6a1e1dc7e6135afaULL, 0x4b8e94bcbce5bbe9ULL,
                0x975cd21d7a9a47d0ULL, 0x63e02d49369db8a2ULL, 0xcf1e2326414e3054ULL}},
        Golden{"meshes/common/spot.obj",
               {0x5a5b12e3c2eb4beaULL, 0x5efa2da1fda750bdULL, 0xa4b35957d72ee7abULL, 0x8dc2381a7d5e97deULL,
                0x5c94d06472e4ad93ULL, 0xfc687baad47f7e24ULL, 0xb6ad5101df5054b1ULL, 0xf239884e749cd3aeULL,
                0x23c1a638ecf379eeULL, 0x9768bfb38f11019dULL, 0x9768bfb38f11019dULL, 0x32e0ce0cbd202ef2ULL,
                0x50b6d5affdd3c795ULL, 0x6d6e1a6df8686dc5ULL, 0x5751b06fa213f256ULL, 0x5db05d29c3bc5716ULL,
                0x4340fc83b00b6cedULL, 0xb6af8a054fb371bbULL, 0x19c97bc82d27dbd0ULL, 0xafdbe3fd96a2aecaULL,
                0x546e4be4636642eeULL, 0xb70d904cc98af139ULL, 0x22ac644d394a22e4ULL}},
        Golden{"meshes/trimesh/quadknot.obj",
               {0x9e8bdf79fbb4c0e0ULL, 0x66de3bcd28412d69ULL, 0xba77e67f967a40a5ULL, 0x4ac951d092b41024ULL,
                0x25b9b2cf4bc038e5ULL, 0x352aec4cfb78ca4aULL, 0x1f73651cc4592958ULL, 0xade83f248b7973dcULL,
                0xca244694102d862dULL, 0x6284a46699dcd590ULL, 0x6284a46699dcd590ULL, 0xb690bbe38f2a253bULL,
                0x59518828e7b26587ULL, 0xd6bc1fe0e9be8d41ULL, 0x515433170df9296bULL, 0xd450069019095f5fULL,
                0xa362d01c7f05a0b7ULL, 0x39087027893eaf1fULL, 0x3359999141c43895ULL, 0x86e9c11aa8133163ULL,
                0x79fd3b7b9ae05556ULL, 0xf7202ae46a7531f0ULL, 0x2ccd66b33c88e874ULL}},
        Golden{"meshes/trimesh/polygonfaces.obj",
               {0x0ce6d7d41260729dULL, 0xa619adbca21cc508ULL, 0xfe4c69e69b53f723ULL, 0xf508d5cc39120aa5ULL,
                0x69c89f5fb69857c2ULL, 0x00674ab6020d30bfULL, 0xcec2aeaeed31a4d8ULL, 0x60bd3f89c9faf074ULL,
                0x14461a99d0f86335ULL, 0xcde0d4caca0faf02ULL, 0xcde0d4caca0faf02ULL, 0xc10323b99853cfdeULL,
                0xe6b6c58df211ddbfULL, 0x5317a6b4b40e4165ULL, 0x37cdc2387fcd43a3ULL, 0x37cdc2387fcd43a3ULL,
                0x8094b218028e2be3ULL, 0x06a6e5e21065eb1bULL, 0xe4ceeaad4e95e715ULL, 0xa09f78f9a85229bfULL,
                0x0ee3c6dd063fdfa4ULL, 0x5fc5976b3c46e1faULL, 0x16fa01b507a72186ULL}},
        Golden{"meshes/trimesh/not_convex.obj",
               {0x877dbfbe3de35851ULL, 0xdb61987368b9c304ULL, 0x7257d4084a4bd607ULL, 0x3dce80449530276fULL,
                0x9ba3afc7abe70b0cULL, 0x344b1cbe5c61f4a9ULL, 0xd9dd4faa6e454e7bULL, 0x51e5e78376c35b91ULL,
                0x02b528b424e76821ULL, 0x6512273b0bf20955ULL, 0x6512273b0bf20955ULL, 0xd59b11704816097aULL,
                0x3234c35d930df42aULL, 0xa811f075b65ab049ULL, 0x220305971588cd26ULL, 0x6a9731f7bec3b713ULL,
                0x3eba3f6b004bbbd6ULL, 0xd1e04796b875ccedULL, 0x01ab40b5fe81b335ULL, 0x9aeda3710de9c316ULL,
                0xb505079d00f5da1bULL, 0x447c6aeb4159c388ULL, 0xbc67d9ad513f22e5ULL}}),
    [](const auto& info) {
        std::string name = info.param.file;
        name = name.substr(name.rfind('/') + 1);
        return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace vgx::test
