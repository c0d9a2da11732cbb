// Plug-in materials: PluginMaterial can be subclassed in Python and registered with
// a root; the root's registry then hands back the same Python object.
#include "binding.h"

namespace vorlansg {
namespace {

using TexturePointer = std::shared_ptr<VgxDeviceTexture>;

// Calls a Python subclass's overrides when C++ calls the virtuals.
class PythonPluginMaterial : public PluginMaterial {
public:
    void Apply(VgxDevice& D3DDevice, const std::shared_ptr<VgxIndexBuffer>& IndexData, int32_t BaseVertexIndex,
               int32_t PrimitiveCount, const TexturePointer& TextureCombined, const TexturePointer& Texture,
               const TexturePointer& TextureOverlay, const TexturePointer& NormalMap, const TexturePointer& SpecularMap,
               const TexturePointer& EnvironmentMap, const std::vector<float>& UserDataSingles,
               bool& DeviceStatesModified) override {
        py::gil_scoped_acquire gil;
        py::function override = py::get_override(static_cast<const PluginMaterial*>(this), "Apply");
        if (!override) {
            PluginMaterial::Apply(D3DDevice, IndexData, BaseVertexIndex, PrimitiveCount, TextureCombined, Texture,
                                  TextureOverlay, NormalMap, SpecularMap, EnvironmentMap, UserDataSingles,
                                  DeviceStatesModified);
            return;
        }
        DeviceStatesModified = override(py::cast(&D3DDevice, py::return_value_policy::reference), IndexData,
                                        BaseVertexIndex, PrimitiveCount, TextureCombined, Texture, TextureOverlay,
                                        NormalMap, SpecularMap, EnvironmentMap, UserDataSingles, DeviceStatesModified)
                                   .cast<bool>();
    }
    std::string GetName() override { PYBIND11_OVERRIDE(std::string, PluginMaterial, GetName); }
    std::string GetAuthor() override { PYBIND11_OVERRIDE(std::string, PluginMaterial, GetAuthor); }
    void GetParameters(std::vector<VgxParameter>& Parameters) override {
        py::gil_scoped_acquire gil;
        py::function override = py::get_override(static_cast<const PluginMaterial*>(this), "GetParameters");
        if (!override) return PluginMaterial::GetParameters(Parameters);
        Parameters = override().cast<std::vector<VgxParameter>>();
    }
};

}  // namespace

void BindPlugins(py::module_& module) {
    using py::arg;
    py::class_<VgxParameter> parameter(module, "VgxParameter");
    parameter.def(py::init<>())
        .def_readwrite("Title", &VgxParameter::Title)
        .def_readwrite("Type", &VgxParameter::Type)
        .def_readwrite("NumberMinimum", &VgxParameter::NumberMinimum)
        .def_readwrite("NumberMaximum", &VgxParameter::NumberMaximum)
        .def_readwrite("NumberDecimalPlaces", &VgxParameter::NumberDecimalPlaces)
        .def_readwrite("DropDownListEntries", &VgxParameter::DropDownListEntries)
        .def_readwrite("Default", &VgxParameter::Default)
        .def_readwrite("UserDefault", &VgxParameter::UserDefault)
        .def_readwrite("DataSinglesEntry", &VgxParameter::DataSinglesEntry)
        .def_readwrite("Increment", &VgxParameter::Increment);
    DescribeValue(parameter, {"Title", "Type", "NumberMinimum", "NumberMaximum", "NumberDecimalPlaces",
                              "DropDownListEntries", "Default", "UserDefault", "DataSinglesEntry", "Increment"});

    Binder<PluginMaterial, PythonPluginMaterial, std::shared_ptr<PluginMaterial>> plugin(module, "PluginMaterial");
    plugin.cls().def(py::init<>());
    plugin
        .def(
            "Apply",
            [](PluginMaterial& self, VgxDevice& D3DDevice, const std::shared_ptr<VgxIndexBuffer>& IndexData,
               int32_t BaseVertexIndex, int32_t PrimitiveCount, const TexturePointer& TextureCombined,
               const TexturePointer& Texture, const TexturePointer& TextureOverlay, const TexturePointer& NormalMap,
               const TexturePointer& SpecularMap, const TexturePointer& EnvironmentMap,
               const std::vector<float>& UserDataSingles, bool DeviceStatesModified) {
                self.PluginMaterial::Apply(D3DDevice, IndexData, BaseVertexIndex, PrimitiveCount, TextureCombined,
                                           Texture, TextureOverlay, NormalMap, SpecularMap, EnvironmentMap,
                                           UserDataSingles, DeviceStatesModified);
                return DeviceStatesModified;
            },
            arg("D3DDevice"), arg("IndexData"), arg("BaseVertexIndex"), arg("PrimitiveCount"), arg("TextureCombined"),
            arg("Texture"), arg("TextureOverlay"), arg("NormalMap"), arg("SpecularMap"), arg("EnvironmentMap"),
            arg("UserDataSingles"), arg("DeviceStatesModified"))
        .def("GetName", [](PluginMaterial& self) { return self.PluginMaterial::GetName(); })
        .def("GetAuthor", [](PluginMaterial& self) { return self.PluginMaterial::GetAuthor(); })
        .def("GetParameters", [](PluginMaterial& self) {
            std::vector<VgxParameter> parameters;
            self.PluginMaterial::GetParameters(parameters);
            return parameters;
        });
}

}  // namespace vorlansg
