// VgxMaterial, VgxLight and VgxTexture: colours and names, with Python properties
// beside the Get/Set calls.
#include "arrays.h"
#include "binding.h"

namespace vorlansg {
namespace {

template <class Class>
auto RGB(void (Class::*get)(float&, float&, float&) const) {
    return [get](const Class& self) {
        float red = 0, green = 0, blue = 0;
        (self.*get)(red, green, blue);
        return py::make_tuple(red, green, blue);
    };
}

}  // namespace

void BindMaterials(py::module_& module) {
    using py::arg;
    Shared<VgxTexture> texture(module, "VgxTexture");
    texture.def("GetTextureID", &VgxTexture::GetTextureID)
        .attribute("AppDataString", &VgxTexture::GetAppDataString, &VgxTexture::SetAppDataString, "Data")
        .def("GetTextureName", &VgxTexture::GetTextureName)
        .def("GetTranslucencyMapName", &VgxTexture::GetTranslucencyMapName)
        .def("GetTextureOverlayName", &VgxTexture::GetTextureOverlayName)
        .def("GetBumpMapName", &VgxTexture::GetBumpMapName)
        .def("GetSpecularMapName", &VgxTexture::GetSpecularMapName)
        .def("GetEnvironmentMapName", &VgxTexture::GetEnvironmentMapName)
        .def("GetTextureOverlayDensity", &VgxTexture::GetTextureOverlayDensity)
        .def("GetPixels", [](const VgxTexture& self) {
            std::vector<int32_t> pixels;
            int32_t width = 0, height = 0;
            {
                py::gil_scoped_release release;
                self.GetPixels(pixels, width, height);
            }
            const auto count = static_cast<int32_t>(pixels.size());
            return py::make_tuple(IntsArray(std::move(pixels), count), width, height);
        });
    using Thumbnail = std::shared_ptr<VgxPicture> (VgxTexture::*)(VgxDevice&, int32_t) const;
    const std::pair<const char*, Thumbnail> thumbnails[] = {
        {"GetTextureThumbnail", &VgxTexture::GetTextureThumbnail},
        {"GetTranslucencyMapThumbnail", &VgxTexture::GetTranslucencyMapThumbnail},
        {"GetTextureOverlayThumbnail", &VgxTexture::GetTextureOverlayThumbnail},
        {"GetBumpmapThumbnail", &VgxTexture::GetBumpmapThumbnail},
        {"GetSpecularMapThumbnail", &VgxTexture::GetSpecularMapThumbnail},
        {"GetEnvironmentMapThumbnail", &VgxTexture::GetEnvironmentMapThumbnail},
    };
    for (const auto& [name, thumbnail] : thumbnails) {
        texture.def(name, thumbnail, arg("Direct3D"), arg("MaximumDimension"), ReleaseGil());
    }

    Shared<VgxMaterial> material(module, "VgxMaterial");
    material.def("GetD3DMaterial", &VgxMaterial::GetD3DMaterial)
        .def("Translucent", &VgxMaterial::Translucent)
        .attribute("Power", &VgxMaterial::GetPower, &VgxMaterial::SetPower, "Power")
        .def("SetCustomFieldValue", &VgxMaterial::SetCustomFieldValue, arg("FieldID"), arg("FieldValue"))
        .def("GetCustomFieldValue", &VgxMaterial::GetCustomFieldValue, arg("FieldID"))
        .def("SetPlugInID", &VgxMaterial::SetPlugInID, arg("PlugInID"))
        .def("GetPluginID", &VgxMaterial::GetPluginID)
        .def(
            "SetPlugInParameters",
            [](VgxMaterial& self, const py::object& PluginParameters) {
                self.SetPlugInParameters(FloatsFrom(PluginParameters, "VgxMaterial"));
            },
            arg("PluginParameters"))
        .def("GetPlugInParameters",
             [](const VgxMaterial& self) {
                 std::vector<float> parameters;
                 self.GetPlugInParameters(parameters);
                 return parameters;
             })
        .def("GetColorRGBA",
             [](const VgxMaterial& self) {
                 float red = 0, green = 0, blue = 0, alpha = 0;
                 self.GetColorRGBA(red, green, blue, alpha);
                 return py::make_tuple(red, green, blue, alpha);
             })
        .def("SetColorRGBA", &VgxMaterial::SetColorRGBA, arg("Red"), arg("Green"), arg("Blue"), arg("Alpha"))
        .def("GetEmissive", RGB(&VgxMaterial::GetEmissive))
        .def("SetEmissive", &VgxMaterial::SetEmissive, arg("Red"), arg("Green"), arg("Blue"))
        .def("GetSpecular", RGB(&VgxMaterial::GetSpecular))
        .def("SetSpecular", &VgxMaterial::SetSpecular, arg("Red"), arg("Green"), arg("Blue"))
        .def("GetTextureWrappingFlags",
             [](const VgxMaterial& self) {
                 int32_t u = 0, v = 0;
                 self.GetTextureWrappingFlags(u, v);
                 return py::make_tuple(u, v);
             })
        .def("SetTextureWrappingFlags", &VgxMaterial::SetTextureWrappingFlags, arg("U"), arg("V"))
        .def("GetAmbient", RGB(&VgxMaterial::GetAmbient))
        .def("SetAmbient", &VgxMaterial::SetAmbient, arg("Red"), arg("Green"), arg("Blue"))
        .attribute("RaytraceAttributes", &VgxMaterial::GetRaytraceAttributes, &VgxMaterial::SetRaytraceAttributes,
                   "Attributes")
        .attribute("Texture", &VgxMaterial::GetTexture, &VgxMaterial::SetTexture, "Texture")
        .attribute("Color", &VgxMaterial::GetColor, &VgxMaterial::SetColor, "Color")
        .attribute("AppData", &VgxMaterial::GetAppData, &VgxMaterial::SetAppData, "Data")
        .attribute("Name", &VgxMaterial::GetName, &VgxMaterial::SetName, "Name");

    Shared<VgxLight> light(module, "VgxLight");
    light.attribute("Type", &VgxLight::GetType, &VgxLight::SetType, "LightType")
        .attribute("Color", &VgxLight::GetColor, &VgxLight::SetColor, "Color")
        .def("GetColorRGB", RGB(&VgxLight::GetColorRGB))
        .def("SetColorRGB", &VgxLight::SetColorRGB, arg("Red"), arg("Green"), arg("Blue"))
        .attribute("ConstantAttenuation", &VgxLight::GetConstantAttenuation, &VgxLight::SetConstantAttenuation, "Value")
        .attribute("LinearAttenuation", &VgxLight::GetLinearAttenuation, &VgxLight::SetLinearAttenuation, "Value")
        .attribute("QuadraticAttenuation", &VgxLight::GetQuadraticAttenuation, &VgxLight::SetQuadraticAttenuation,
                   "Value")
        .attribute("Range", &VgxLight::GetRange, &VgxLight::SetRange, "Value")
        .attribute("Umbra", &VgxLight::GetUmbra, &VgxLight::SetUmbra, "Value")
        .attribute("Penumbra", &VgxLight::GetPenumbra, &VgxLight::SetPenumbra, "Value")
        .attribute("CastShadow", &VgxLight::GetCastShadow, &VgxLight::SetCastShadow, "Value")
        .attribute("AppData", &VgxLight::GetAppData, &VgxLight::SetAppData, "Data");
}

}  // namespace vorlansg
