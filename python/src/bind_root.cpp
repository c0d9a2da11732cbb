// Vgx, the scene root: the factory of everything else, the texture registry and
// the vector, quaternion and colour helpers. Output parameters become results.
#include "arrays.h"
#include "binding.h"

namespace vorlansg {
namespace {

using RebuildMap = void (Vgx::*)(VgxDevice&, int32_t, std::shared_ptr<VgxDeviceTexture>&, bool);

// One of the six Rebuild*8 calls: the texture passed in (or None) comes back as
// the device texture to draw with.
auto RebuildMapBinding(RebuildMap rebuild) {
    return [rebuild](Vgx& self, VgxDevice& Direct3D, int32_t TextureID, std::shared_ptr<VgxDeviceTexture> Texture,
                     bool Refresh) {
        (self.*rebuild)(Direct3D, TextureID, Texture, Refresh);
        return Texture;
    };
}

py::dict ConvertFrameHierarchy(Vgx& self, const std::string& XFile) {
    std::vector<int32_t> frameParent, objectParent, keyCount, frameAnimationType, keyType;
    std::vector<std::string> frameName;
    std::vector<float> px, py_, pz, dx, dy, dz, ux, uy, uz, keyTime, keyX, keyY, keyZ, keyS;
    int32_t last = 0;
    {
        py::gil_scoped_release release;
        last = self.lngConvertFrameHierarchy(XFile, frameParent, frameName, px, py_, pz, dx, dy, dz, ux, uy, uz,
                                             objectParent, keyCount, frameAnimationType, keyType, keyTime, keyX, keyY,
                                             keyZ, keyS);
    }
    py::dict result;
    result["LastMesh"] = last;
    result["FrameParent"] = frameParent;
    result["FrameName"] = frameName;
    result["FramePositionsX"] = px;
    result["FramePositionsY"] = py_;
    result["FramePositionsZ"] = pz;
    result["FrameOrientationsDirX"] = dx;
    result["FrameOrientationsDirY"] = dy;
    result["FrameOrientationsDirZ"] = dz;
    result["FrameOrientationsUpX"] = ux;
    result["FrameOrientationsUpY"] = uy;
    result["FrameOrientationsUpZ"] = uz;
    result["ObjectParent"] = objectParent;
    result["FrameAnimationKeyCount"] = keyCount;
    result["FrameAnimationType"] = frameAnimationType;
    result["AnimationKeyType"] = keyType;
    result["AnimationKeyTime"] = keyTime;
    result["AnimationKeyX"] = keyX;
    result["AnimationKeyY"] = keyY;
    result["AnimationKeyZ"] = keyZ;
    result["AnimationKeyS"] = keyS;
    return result;
}

}  // namespace

void BindRoot(py::module_& module) {
    using py::arg;
    Shared<Vgx> root(module, "Vgx");
    root.def_static("Create", &Vgx::Create)
        .def_static("create", &Vgx::Create)
        .def("CreateDeviceID", &Vgx::CreateDeviceID)
        .def("CreateObject", &Vgx::CreateObject)
        .def("CreateGroup", &Vgx::CreateGroup, arg("ParentGroup") = nullptr)
        .def("CreateMaterial", &Vgx::CreateMaterial)
        .def("CreateLight", &Vgx::CreateLight, arg("LightType"), arg("Color"))
        .def("CreateLightRGB", &Vgx::CreateLightRGB, arg("LightType"), arg("Red"), arg("Green"), arg("Blue"))
        .def("AddSearchPath", &Vgx::AddSearchPath, arg("Path"), arg("Priority"))
        .def("GetSearchPath", &Vgx::GetSearchPath)
        .def("GetSearchPathList",
             [](const Vgx& self) {
                 std::vector<std::string> list;
                 int32_t count = 0;
                 self.GetSearchPathList(list, count);
                 list.resize(static_cast<size_t>(std::max(count, 0)));
                 return list;
             })
        .def("ReleaseDirect3DBuffers", &Vgx::ReleaseDirect3DBuffers)
        .def("GetPluginID", &Vgx::GetPluginID, arg("PlugInDLL"))
        .def("GetPluginDLL", &Vgx::GetPluginDLL, arg("PlugInID"))
        // The root keeps a Python plug-in object alive, so the registry can hand it back.
        .def("SetPluginObject", &Vgx::SetPluginObject, arg("PlugInID"), arg("PluginObject"), py::keep_alive<1, 3>())
        .def("GetPluginObject", &Vgx::GetPluginObject, arg("PlugInID"))
        .def("CreateTexture", &Vgx::CreateTexture, arg("Texture"), arg("TextureAlpha"), arg("TextureOverlay"),
             arg("TextureOverlayDensity"), arg("TextureBumpMap"), arg("TextureSpecularMap"),
             arg("TextureEnvironmentMap"), arg("TextureWidth"), arg("TextureHeight"), ReleaseGil())
        .def("GetTextureCount", &Vgx::GetTextureCount);
    const std::pair<const char*, RebuildMap> rebuilds[] = {
        {"RebuildDirect3DTextureCombined8", &Vgx::RebuildDirect3DTextureCombined8},
        {"RebuildDirect3DTexture8", &Vgx::RebuildDirect3DTexture8},
        {"RebuildDirect3DTextureOverlay8", &Vgx::RebuildDirect3DTextureOverlay8},
        {"RebuildDirect3DBumpmap8", &Vgx::RebuildDirect3DBumpmap8},
        {"RebuildDirect3DSpecularMap8", &Vgx::RebuildDirect3DSpecularMap8},
        {"RebuildDirect3DEnvironmentMap8", &Vgx::RebuildDirect3DEnvironmentMap8},
    };
    for (const auto& [name, rebuild] : rebuilds) {
        root.def(name, RebuildMapBinding(rebuild), arg("Direct3D"), arg("TextureID"), arg("Texture") = nullptr,
                 arg("Refresh") = false);
    }
    root.def(
            "CombineImages",
            [](const Vgx& self, const std::vector<std::shared_ptr<VgxPicture>>& Pictures,
               std::shared_ptr<VgxPicture> Result) {
                if (!Result) Result = std::make_shared<VgxPicture>();
                self.CombineImages(Result, Pictures);
                return Result;
            },
            arg("Pictures"), arg("Result") = nullptr)
        .def("lngConvertFrameHierarchy", &ConvertFrameHierarchy, arg("XFile"))
        .def("CollectGarbage", &Vgx::CollectGarbage)
        .def("VectorModulus", &Vgx::VectorModulus, arg("Vector"))
        .def("VectorRotate", Returning(&Vgx::VectorRotate), arg("Vector"), arg("Axis"), arg("Theta"))
        .def("VectorScale", Returning(&Vgx::VectorScale), arg("Vector"), arg("Factor"))
        .def("VectorNormalize", Returning(&Vgx::VectorNormalize), arg("Vector"))
        .def("VectorDotProduct", &Vgx::VectorDotProduct, arg("Vector1"), arg("Vector2"))
        .def("VectorCrossProduct", Returning(&Vgx::VectorCrossProduct), arg("Vector1"), arg("Vector2"))
        .def("QuaternionFromRotation", Returning(&Vgx::QuaternionFromRotation), arg("Vector"), arg("Theta"))
        .def("QuaternionMultiply", Returning(&Vgx::QuaternionMultiply), arg("Quaternion1"), arg("Quaternion2"))
        .def("ColorGetRed", &Vgx::ColorGetRed, arg("Color"))
        .def("ColorGetGreen", &Vgx::ColorGetGreen, arg("Color"))
        .def("ColorGetBlue", &Vgx::ColorGetBlue, arg("Color"))
        .def("ColorGetAlpha", &Vgx::ColorGetAlpha, arg("Color"))
        .def("CreateColorRGBA", &Vgx::CreateColorRGBA, arg("Red"), arg("Green"), arg("Blue"), arg("Alpha"))
        .def("CreateColorRGB", &Vgx::CreateColorRGB, arg("Red"), arg("Green"), arg("Blue"))
        .def_static("GetDiagnosticLogPath", &Vgx::GetDiagnosticLogPath)
        .attribute("ThreadCount", &Vgx::GetThreadCount, &Vgx::SetThreadCount, "ThreadCount")
        .def(
            "SetMessageBoxHandler",
            [](Vgx& self, std::optional<VgxMessageBoxHandler> Handler) {
                self.SetMessageBoxHandler(Handler ? std::move(*Handler) : VgxMessageBoxHandler());
            },
            arg("Handler"));
}

}  // namespace vorlansg
