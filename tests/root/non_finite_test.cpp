// NaN and the infinities are bad input everywhere: every public operation given one
// raises 5 from its own class before anything changes, and a .x file holding one is
// refused when it is read.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <fstream>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "state/library_state.h"
#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/vgx_test.h"

namespace vgx::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
const std::string kInvalid = "Invalid procedure call or argument";

// Every number a refused call could have changed, flattened so one comparison covers them.
struct Flat {
    std::vector<double> values;
    Flat& operator<<(double value) { return values.push_back(value), *this; }
    Flat& operator<<(const VgxVector& v) { return *this << v.X << v.Y << v.Z; }
    Flat& operator<<(const VgxUV& uv) { return *this << uv.U << uv.V; }
    Flat& operator<<(const VgxQuaternion& q) { return *this << q.s << q.V; }
    Flat& operator<<(const VgxMatrix& m) { return *this << std::span(m.m); }
    Flat& operator<<(const VgxAnimationKey& key) { return *this << std::span(key.dvK) << key.dvTime; }
    template <std::ranges::range List>
    Flat& operator<<(const List& list) {
        for (const auto& value : list) *this << value;
        return *this << static_cast<double>(std::ranges::size(list));
    }
};

struct NonFinite : ::testing::Test {
    NonFinite() {
        AddCube(*cube);
        top->AddObject(cube);
        child->AddAnimationKey({{1, 2, 3, 0}, 1, 0, VgxAnimationPositionKey, 0});
        child->SetSkinInfluences({0}, {0.5f});
        material->SetPlugInParameters({1, 2});
    }

    std::vector<double> Snapshot() {
        const ExportedMesh mesh = ExportGeometry(*cube);
        const ObjectState& o = Internals(*cube);
        const VgxAttributes& a = o.attributes;
        Flat flat;
        flat << mesh.points << mesh.normals << mesh.uvs << mesh.faceData << a.SmoothingTension << a.SmoothingAngle
             << a.CreasingFactor << a.CurveQuality << a.CloneOffset << a.CloneRotate << o.operationControlPosition
             << o.operationControlSize << o.operationControlDir << o.operationControlUp;
        for (const auto& group : {top, child}) {
            const GroupState& g = Internals(*group);
            flat << g.local << g.rotationAxis << g.rotationAngle << g.fogStart << g.fogEnd << g.fogDensity
                 << g.backgroundRed << g.backgroundGreen << g.backgroundBlue << g.positionKeys << g.rotationKeys
                 << g.rawWeights;
        }
        std::vector<float> parameters, rgb(9);
        material->GetPlugInParameters(parameters);
        material->GetEmissive(rgb[0], rgb[1], rgb[2]);
        material->GetSpecular(rgb[3], rgb[4], rgb[5]);
        material->GetAmbient(rgb[6], rgb[7], rgb[8]);
        flat << material->GetColor() << material->GetPower() << parameters << rgb << light->GetColor()
             << light->GetConstantAttenuation() << light->GetLinearAttenuation() << light->GetQuadraticAttenuation()
             << light->GetRange() << light->GetUmbra() << light->GetPenumbra() << device->GetViewport().MinZ
             << device->GetViewport().MaxZ << device->GetTransform(VgxTransformView) << vector << quaternion << out
             << root->GetTextureCount();
        const Registries& r = Registered();
        for (size_t n : {r.objects.size(), r.groups.size(), r.materials.size(), r.lights.size(), r.pickArrays.size()})
            flat << n;
        return flat.values;
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> cube = root->CreateObject();
    std::shared_ptr<VgxGroup> top = root->CreateGroup(nullptr), child = root->CreateGroup(top);
    std::shared_ptr<VgxMaterial> material = root->CreateMaterial();
    std::shared_ptr<VgxLight> light = root->CreateLight(VgxLightPoint, 0);
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    const int32_t id = root->CreateDeviceID();
    // What the calls that answer through their arguments write to.
    VgxVector vector{7, 7, 7};
    VgxQuaternion quaternion{7, {7, 7, 7}};
    std::vector<VgxVector> out{{7, 7, 7}};
};

// What is called, the source it must raise from, and the call given the bad value.
using Case = std::tuple<const char*, const char*, std::function<void(float)>>;

TEST_F(NonFinite, EveryOperationRefusesNaNAndInfinitiesAndTheSceneStillPicks) {
    const VgxVector x{1, 0, 0}, y{0, 1, 0};
    auto addFaces = [&](std::vector<VgxVector> p, std::vector<VgxVector> n, std::vector<VgxUV> uv) {
        cube->AddFaces(p, n, uv, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, true, true);
    };
    auto wrap = [&](float o, float s) { cube->ApplyWrap(VgxWrapFlat, nullptr, o, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, s); };
    auto key = [&](float v, float t, auto type) { child->AddAnimationKey({{0, 0, 0, v}, t, 0, type, 0}); };
    std::vector<int32_t> ids;
    int32_t n = 0;
    std::vector<Case> cases = {
        {"AddOptimizedPoint", "VgxObject", [&](float v) { cube->AddOptimizedPoint({1, v, 0}); }},
        {"AddOptimizedPoints", "VgxObject", [&](float v) { cube->AddOptimizedPoints({x, {0, 0, v}}, ids); }},
        {"AddOptimizedNormal", "VgxObject", [&](float v) { cube->AddOptimizedNormal({v, 0, 0}); }},
        {"AddOptimizedNormals", "VgxObject", [&](float v) { cube->AddOptimizedNormals({x, {0, v, 0}}, ids); }},
        {"AddOptimizedUV", "VgxObject", [&](float v) { cube->AddOptimizedUV({0, v}); }},
        {"AddOptimizedUVs", "VgxObject", [&](float v) { cube->AddOptimizedUVs({{0, 0}, {v, 1}}, ids); }},
        {"SetPoint", "VgxObject", [&](float v) { cube->SetPoint(6, {1, 1, v}); }},
        {"SetNormal", "VgxObject", [&](float v) { cube->SetNormal(0, {0, 0, v}); }},
        {"SetUV", "VgxObject", [&](float v) { cube->SetUV(0, {v, 0}); }},
        {"AddFaces, points", "VgxObject", [&](float v) { addFaces({x, y, {v, 0, 0}}, {x}, {{0, 0}}); }},
        {"AddFaces, normals", "VgxObject", [&](float v) { addFaces({x, y, x}, {x, {v, 0, 0}}, {{0, 0}}); }},
        {"AddFaces, UVs", "VgxObject", [&](float v) { addFaces({x, y, x}, {x}, {{0, 0}, {0, v}}); }},
        {"SetPoints", "VgxObject", [&](float v) { cube->SetPoints({x, {1, v, 1}}); }},
        {"SetNormals", "VgxObject", [&](float v) { cube->SetNormals({x, {v, 0, 0}}); }},
        {"SetUVs", "VgxObject", [&](float v) { cube->SetUVs({{0, 0}, {v, 0}}); }},
        {"Resize", "VgxObject", [&](float v) { cube->Resize({1, v, 1}); }},
        {"Translate", "VgxObject", [&](float v) { cube->Translate({v, 0, 0}); }},
        {"Smooth, tension", "VgxObject", [&](float v) { cube->Smooth(1, VgxGreaterThan, 0, v); }},
        {"Smooth, angle", "VgxObject", [&](float v) { cube->Smooth(1, VgxGreaterThan, v, 0); }},
        {"BevelPoints", "VgxObject", [&](float v) { cube->BevelPoints({0}, v); }},
        {"BevelEdges", "VgxObject", [&](float v) { cube->BevelEdges({0, 0}, v, 100); }},
        {"ApplyWrap, origin", "VgxObject", [&](float v) { wrap(v, 1); }},
        {"ApplyWrap, scale", "VgxObject", [&](float v) { wrap(0, v); }},
        {"GetShadowVolumeVertices", "VgxObject", [&](float v) { cube->GetShadowVolumeVertices(0, out, n, {0, v, 0}); }},
        {"SetCloneOptions", "VgxObject", [&](float v) { cube->SetCloneOptions({1, 1, 1}, x, {0, v, 0}); }},
        {"SetOperationControlPosition", "VgxObject", [&](float v) { cube->SetOperationControlPosition({v, 0, 0}); }},
        {"SetOperationControlSize", "VgxObject", [&](float v) { cube->SetOperationControlSize({1, v, 1}); }},
        {"SetOperationControlOrientation", "VgxObject",
         [&](float v) { cube->SetOperationControlOrientation(x, {0, v, 0}); }},
        {"VgxFace::AddPoint", "VgxFace", [&](float v) { cube->GetFace(0)->AddPoint({v, 0, 0}, x, {0, 0}); }},
        {"VgxFace::SetPoint", "VgxFace", [&](float v) { cube->GetFace(0)->SetPoint(0, {0, 0, 0}, {0, v, 0}, {0, 0}); }},
        {"VgxFace::SetUV", "VgxFace", [&](float v) { cube->GetFace(0)->SetUV(0, {0, v}); }},
        {"SetPosition", "VgxGroup", [&](float v) { child->SetPosition(0, top, {v, 0, 0}); }},
        {"SetPosition, time", "VgxGroup", [&](float v) { child->SetPosition(v, top, {1, 2, 3}); }},
        {"SetOrientation", "VgxGroup", [&](float v) { child->SetOrientation(0, nullptr, {0, 0, v}, y); }},
        {"SetQuaternion", "VgxGroup", [&](float v) { child->SetQuaternion(nullptr, {v, {0, 1, 0}}); }},
        {"SetRotation", "VgxGroup", [&](float v) { child->SetRotation(y, v); }},
        {"ApplyRotation", "VgxGroup", [&](float v) { top->ApplyRotation(v); }},
        {"AddRotation", "VgxGroup", [&](float v) { child->AddRotation(VgxCombineReplace, {v, 1, 0}, 1); }},
        {"AddTranslation", "VgxGroup", [&](float v) { child->AddTranslation(VgxCombineAfter, {0, v, 0}); }},
        {"Transform", "VgxGroup", [&](float v) { child->Transform(vector, {v, 0, 0}); }},
        {"InverseTransform", "VgxGroup", [&](float v) { child->InverseTransform(vector, {0, 0, v}); }},
        {"TransformVectors", "VgxGroup", [&](float v) { child->TransformVectors(out, {x, {v, 0, 0}}, top); }},
        {"InverseTransformVectors", "VgxGroup",
         [&](float v) { child->InverseTransformVectors(out, {{0, v, 0}}, top); }},
        {"AddAnimationKey, value", "VgxGroup", [&](float v) { key(v, 2, VgxAnimationRotateKey); }},
        {"AddAnimationKey, time", "VgxGroup", [&](float v) { key(1, v, VgxAnimationPositionKey); }},
        {"DeleteAnimationKey", "VgxGroup", [&](float v) { child->DeleteAnimationKey(v); }},
        {"SetAnimationTime", "VgxGroup", [&](float v) { child->SetAnimationTime(v); }},
        {"SetSkinInfluences", "VgxGroup", [&](float v) { child->SetSkinInfluences({0, 1}, {1, v}); }},
        {"SetSceneFogParams", "VgxGroup", [&](float v) { top->SetSceneFogParams(0, v, 1); }},
        {"SetSceneBackgroundRGB", "VgxGroup", [&](float v) { top->SetSceneBackgroundRGB(1, 1, v); }},
        {"RayPick, origin", "VgxGroup", [&](float v) { top->RayPick(id, device, {0.5f, v, 5}, {0, 0, -1}); }},
        {"RayPick, direction", "VgxGroup", [&](float v) { top->RayPick(id, device, {0.5f, 0.5f, 5}, {v, 0, -1}); }},
        {"ViewportPick", "VgxGroup", [&](float v) { top->ViewportPick(10, v, id, device); }},
        {"SetPower", "VgxMaterial", [&](float v) { material->SetPower(v); }},
        {"SetPlugInParameters", "VgxMaterial", [&](float v) { material->SetPlugInParameters({3, v}); }},
        {"SetColorRGBA", "VgxMaterial", [&](float v) { material->SetColorRGBA(0, 0, 0, v); }},
        {"VgxLight::SetColorRGB", "VgxLight", [&](float v) { light->SetColorRGB(v, 0, 0); }},
        {"CreateColorRGB", "Vgx", [&](float v) { root->CreateColorRGB(0, v, 0); }},
        {"CreateColorRGBA", "Vgx", [&](float v) { root->CreateColorRGBA(0, 0, 0, v); }},
        {"CreateLightRGB", "Vgx", [&](float v) { root->CreateLightRGB(VgxLightSpot, 1, v, 1); }},
        {"CreateTexture", "Vgx", [&](float v) { root->CreateTexture("a.bmp", "", "", v, "", "", "", 4, 4); }},
        {"VectorModulus", "Vgx", [&](float v) { root->VectorModulus({v, 0, 0}); }},
        {"VectorRotate", "Vgx", [&](float v) { root->VectorRotate(vector, x, y, v); }},
        {"VectorScale", "Vgx", [&](float v) { root->VectorScale(vector, {0, v, 0}, 2); }},
        {"VectorNormalize", "Vgx", [&](float v) { root->VectorNormalize(vector, {0, 0, v}); }},
        {"VectorDotProduct", "Vgx", [&](float v) { root->VectorDotProduct(x, {v, 0, 0}); }},
        {"VectorCrossProduct", "Vgx", [&](float v) { root->VectorCrossProduct(vector, {0, v, 0}, x); }},
        {"QuaternionFromRotation", "Vgx", [&](float v) { root->QuaternionFromRotation(quaternion, {v, 1, 0}, 1); }},
        {"QuaternionMultiply", "Vgx", [&](float v) { root->QuaternionMultiply(quaternion, {1, x}, {1, {0, v, 0}}); }},
        {"SetViewport", "VorlanSG", [&](float v) { device->SetViewport({0, 0, 100, 100, 0, v}); }},
        {"SetTransform", "VorlanSG", [&](float v) { device->SetTransform(VgxTransformView, {{1, 0, 0, 0, v}}); }},
    };
    // The setters of one float, and the material's colours, each in turn.
    for (auto set : {&VgxObject::SetSmoothingTension, &VgxObject::SetSmoothingAngle, &VgxObject::SetCreasingFactor,
                     &VgxObject::SetCurveQuality, &VgxObject::Crease2})
        cases.emplace_back("a setter of one float", "VgxObject", [&, set](float v) { ((*cube).*set)(v); });
    for (auto set : {&VgxLight::SetConstantAttenuation, &VgxLight::SetLinearAttenuation, &VgxLight::SetRange,
                     &VgxLight::SetQuadraticAttenuation, &VgxLight::SetUmbra, &VgxLight::SetPenumbra})
        cases.emplace_back("a setter of one float", "VgxLight", [&, set](float v) { ((*light).*set)(v); });
    for (auto set : {&VgxMaterial::SetEmissive, &VgxMaterial::SetSpecular, &VgxMaterial::SetAmbient})
        cases.emplace_back("a colour", "VgxMaterial", [&, set](float v) { ((*material).*set)(1, v, 0); });
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [what, source, call] = cases[i];
        for (float bad : {kNaN, kInf, -kInf}) {
            SCOPED_TRACE(testing::Message() << what << " (case " << i << ") with " << bad);
            const std::vector<double> before = Snapshot();
            ExpectVgxError([&] { call(bad); }, 5, source, kInvalid);
            EXPECT_EQ(Snapshot(), before);
        }
    }
    // Nothing refused spoilt the scene: the cube is picked where it stands.
    const auto picks = top->RayPick(id, device, {0.5f, 0.5f, 5}, {0, 0, -1});
    ASSERT_EQ(picks->GetSize(), 1);
    std::shared_ptr<VgxObject> object;
    std::shared_ptr<VgxGroup> group;
    VgxPickDesc hit{};
    picks->GetPick(0, object, group, hit);
    EXPECT_EQ(std::tuple(object, group, hit.Position.Z), std::tuple(cube, top, 1.0f));
}

TEST_F(NonFinite, AFileHoldingANaNIsRefusedWhenReadAndNothingChanges) {
    const std::string path = ScratchFolder() + "/nan.x";
    std::ofstream(path) << "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1.#QNAN0;0;; 1; 3;0,1,2;; }\n";
    const std::string refused = "Invalid file format: " + path + ": .x file, line 2: a number that is not finite";
    std::vector<std::string> shown;
    root->SetMessageBoxHandler([&](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
    const std::vector<double> before = Snapshot();
    ExpectVgxError([&] { cube->Load(path); }, 321, "VgxObject", refused);
    top->Load(path);
    EXPECT_EQ(shown, std::vector<std::string>{"File Format Invalid."});
    std::vector<int32_t> i[5];
    std::vector<std::string> names;
    std::vector<float> f[14];
    ExpectVgxError([&] {
        root->lngConvertFrameHierarchy(path, i[0], names, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], i[1],
                                       i[2], i[3], i[4], f[9], f[10], f[11], f[12], f[13]);
    }, 321, "Vgx", refused);
    EXPECT_TRUE(i[0].empty() && names.empty() && i[1].empty() && f[0].empty());
    EXPECT_EQ(cube->GetName(), "");
    // The object the group's load tried the file as is garbage now; no group was made.
    root->CollectGarbage();
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace vgx::test
