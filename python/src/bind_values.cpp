// The library's plain records as small Python classes: constructible by keyword,
// comparable, printable.
#include <array>

#include "binding.h"

namespace vorlansg {

void BindValueTypes(py::module_& module) {
    using py::arg;
    py::class_<VgxVector> vector(module, "VgxVector");
    vector
        .def(py::init([](float X, float Y, float Z) {
                 return VgxVector{X, Y, Z};
             }),
             arg("X") = 0.0f, arg("Y") = 0.0f, arg("Z") = 0.0f)
        .def_readwrite("X", &VgxVector::X)
        .def_readwrite("Y", &VgxVector::Y)
        .def_readwrite("Z", &VgxVector::Z)
        .def("__iter__", [](const VgxVector& v) { return py::iter(py::make_tuple(v.X, v.Y, v.Z)); });
    DescribeValue(vector, {"X", "Y", "Z"});
    // (x, y, z) wherever a VgxVector is taken.
    vector.def(py::init([](const py::tuple& xyz) {
        if (xyz.size() != 3) throw py::type_error("a VgxVector needs 3 numbers");
        return VgxVector{xyz[0].cast<float>(), xyz[1].cast<float>(), xyz[2].cast<float>()};
    }));
    py::implicitly_convertible<py::tuple, VgxVector>();

    py::class_<VgxVectorLong> vectorLong(module, "VgxVectorLong");
    vectorLong
        .def(py::init([](int32_t X, int32_t Y, int32_t Z) {
                 return VgxVectorLong{X, Y, Z};
             }),
             arg("X") = 0, arg("Y") = 0, arg("Z") = 0)
        .def_readwrite("X", &VgxVectorLong::X)
        .def_readwrite("Y", &VgxVectorLong::Y)
        .def_readwrite("Z", &VgxVectorLong::Z);
    DescribeValue(vectorLong, {"X", "Y", "Z"});

    py::class_<VgxUV> uv(module, "VgxUV");
    uv.def(py::init([](float U, float V) {
               return VgxUV{U, V};
           }),
           arg("U") = 0.0f, arg("V") = 0.0f)
        .def_readwrite("U", &VgxUV::U)
        .def_readwrite("V", &VgxUV::V)
        .def("__iter__", [](const VgxUV& v) { return py::iter(py::make_tuple(v.U, v.V)); });
    DescribeValue(uv, {"U", "V"});
    uv.def(py::init([](const py::tuple& uvPair) {
        if (uvPair.size() != 2) throw py::type_error("a VgxUV needs 2 numbers");
        return VgxUV{uvPair[0].cast<float>(), uvPair[1].cast<float>()};
    }));
    py::implicitly_convertible<py::tuple, VgxUV>();

    py::class_<VgxQuaternion> quaternion(module, "VgxQuaternion");
    quaternion
        .def(py::init([](float s, const VgxVector& V) {
                 return VgxQuaternion{s, V};
             }),
             arg("s") = 1.0f, arg("V") = VgxVector{0, 0, 0})
        .def_readwrite("s", &VgxQuaternion::s)
        .def_readwrite("V", &VgxQuaternion::V);
    DescribeValue(quaternion, {"s", "V"});

    py::class_<VgxVectorUV> vectorUV(module, "VgxVectorUV");
    vectorUV
        .def(py::init([](const VgxVector& Vector, const VgxUV& UV) {
                 return VgxVectorUV{Vector, UV};
             }),
             arg("Vector") = VgxVector{0, 0, 0}, arg("UV") = VgxUV{0, 0})
        .def_readwrite("Vector", &VgxVectorUV::Vector)
        .def_readwrite("UV", &VgxVectorUV::UV);
    DescribeValue(vectorUV, {"Vector", "UV"});

    py::class_<VgxBox> box(module, "VgxBox");
    box.def(py::init([](const VgxVector& Min, const VgxVector& Max) {
                return VgxBox{Min, Max};
            }),
            arg("Min") = VgxVector{0, 0, 0}, arg("Max") = VgxVector{0, 0, 0})
        .def_readwrite("Min", &VgxBox::Min)
        .def_readwrite("Max", &VgxBox::Max);
    DescribeValue(box, {"Min", "Max"});

    py::class_<VgxMatrix> matrix(module, "VgxMatrix");
    matrix
        .def(py::init([](const std::array<float, 16>& m) {
                 VgxMatrix result{};
                 std::copy(m.begin(), m.end(), result.m);
                 return result;
             }),
             arg("m") = std::array<float, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})
        .def_property(
            "m", [](const VgxMatrix& self) { return std::array<float, 16>(std::to_array(self.m)); },
            [](VgxMatrix& self, const std::array<float, 16>& m) { std::copy(m.begin(), m.end(), self.m); },
            "The 16 entries in the library's order: row vectors, the translation in m[12], m[13], m[14].");
    DescribeValue(matrix, {"m"});

    py::class_<VgxPickDesc> pick(module, "VgxPickDesc");
    pick.def(py::init<>())
        .def_readwrite("hit", &VgxPickDesc::hit)
        .def_readwrite("FaceID", &VgxPickDesc::FaceID)
        .def_readwrite("U", &VgxPickDesc::U)
        .def_readwrite("V", &VgxPickDesc::V)
        .def_readwrite("dist", &VgxPickDesc::dist)
        .def_readwrite("Position", &VgxPickDesc::Position);
    DescribeValue(pick, {"hit", "FaceID", "U", "V", "dist", "Position"});

    py::class_<VgxAnimationKey> key(module, "VgxAnimationKey");
    key.def(py::init([](VgxAnimationKeyType dwKeyType, float dvTime, const std::array<float, 4>& dvK, int32_t dwID) {
                VgxAnimationKey result{};
                result.dwKeyType = dwKeyType;
                result.dvTime = dvTime;
                result.dvK = dvK;
                result.dwID = dwID;
                result.dwSize = static_cast<int32_t>(sizeof(VgxAnimationKey));
                return result;
            }),
            arg("dwKeyType") = VgxAnimationPositionKey, arg("dvTime") = 0.0f,
            arg("dvK") = std::array<float, 4>{0, 0, 0, 0}, arg("dwID") = 0)
        .def_readwrite("dvK", &VgxAnimationKey::dvK)
        .def_readwrite("dvTime", &VgxAnimationKey::dvTime)
        .def_readwrite("dwID", &VgxAnimationKey::dwID)
        .def_readwrite("dwKeyType", &VgxAnimationKey::dwKeyType)
        .def_readwrite("dwSize", &VgxAnimationKey::dwSize);
    DescribeValue(key, {"dwKeyType", "dvTime", "dvK", "dwID", "dwSize"});

    py::class_<D3DCOLORVALUE> color(module, "D3DCOLORVALUE");
    color
        .def(py::init([](float r, float g, float b, float a) {
                 return D3DCOLORVALUE{r, g, b, a};
             }),
             arg("r") = 0.0f, arg("g") = 0.0f, arg("b") = 0.0f, arg("a") = 0.0f)
        .def_readwrite("r", &D3DCOLORVALUE::r)
        .def_readwrite("g", &D3DCOLORVALUE::g)
        .def_readwrite("b", &D3DCOLORVALUE::b)
        .def_readwrite("a", &D3DCOLORVALUE::a);
    DescribeValue(color, {"r", "g", "b", "a"});

    py::class_<D3DMATERIAL8> material(module, "D3DMATERIAL8");
    material.def(py::init<>())
        .def_readwrite("Diffuse", &D3DMATERIAL8::Diffuse)
        .def_readwrite("Ambient", &D3DMATERIAL8::Ambient)
        .def_readwrite("Specular", &D3DMATERIAL8::Specular)
        .def_readwrite("Emissive", &D3DMATERIAL8::Emissive)
        .def_readwrite("Power", &D3DMATERIAL8::Power);
    DescribeValue(material, {"Diffuse", "Ambient", "Specular", "Emissive", "Power"});

    py::class_<VgxViewport> viewport(module, "VgxViewport");
    viewport
        .def(py::init([](int32_t X, int32_t Y, int32_t Width, int32_t Height, float MinZ, float MaxZ) {
                 return VgxViewport{X, Y, Width, Height, MinZ, MaxZ};
             }),
             arg("X") = 0, arg("Y") = 0, arg("Width") = 0, arg("Height") = 0, arg("MinZ") = 0.0f, arg("MaxZ") = 1.0f)
        .def_readwrite("X", &VgxViewport::X)
        .def_readwrite("Y", &VgxViewport::Y)
        .def_readwrite("Width", &VgxViewport::Width)
        .def_readwrite("Height", &VgxViewport::Height)
        .def_readwrite("MinZ", &VgxViewport::MinZ)
        .def_readwrite("MaxZ", &VgxViewport::MaxZ);
    DescribeValue(viewport, {"X", "Y", "Width", "Height", "MinZ", "MaxZ"});

    py::class_<VgxDeviceCaps> caps(module, "VgxDeviceCaps");
    caps.def(py::init([](int32_t MaxVertexIndex, int32_t MaxPrimitiveCount) {
                 return VgxDeviceCaps{MaxVertexIndex, MaxPrimitiveCount};
             }),
             arg("MaxVertexIndex") = 0, arg("MaxPrimitiveCount") = 0)
        .def_readwrite("MaxVertexIndex", &VgxDeviceCaps::MaxVertexIndex)
        .def_readwrite("MaxPrimitiveCount", &VgxDeviceCaps::MaxPrimitiveCount);
    DescribeValue(caps, {"MaxVertexIndex", "MaxPrimitiveCount"});

    py::class_<VgxDisplayMode> mode(module, "VgxDisplayMode");
    mode.def(py::init<>())
        .def_readwrite("Width", &VgxDisplayMode::Width)
        .def_readwrite("Height", &VgxDisplayMode::Height)
        .def_readwrite("RefreshRate", &VgxDisplayMode::RefreshRate)
        .def_readwrite("Format", &VgxDisplayMode::Format);
    DescribeValue(mode, {"Width", "Height", "RefreshRate", "Format"});

    py::class_<VgxPresentParameters> present(module, "VgxPresentParameters");
    present.def(py::init<>())
        .def_readwrite("BackBufferWidth", &VgxPresentParameters::BackBufferWidth)
        .def_readwrite("BackBufferHeight", &VgxPresentParameters::BackBufferHeight)
        .def_readwrite("BackBufferFormat", &VgxPresentParameters::BackBufferFormat)
        .def_readwrite("BackBufferCount", &VgxPresentParameters::BackBufferCount)
        .def_readwrite("MultiSampleType", &VgxPresentParameters::MultiSampleType)
        .def_readwrite("SwapEffect", &VgxPresentParameters::SwapEffect)
        .def_readwrite("DeviceWindow", &VgxPresentParameters::DeviceWindow)
        .def_readwrite("Windowed", &VgxPresentParameters::Windowed)
        .def_readwrite("EnableAutoDepthStencil", &VgxPresentParameters::EnableAutoDepthStencil)
        .def_readwrite("AutoDepthStencilFormat", &VgxPresentParameters::AutoDepthStencilFormat)
        .def_readwrite("Flags", &VgxPresentParameters::Flags)
        .def_readwrite("FullScreenRefreshRateInHz", &VgxPresentParameters::FullScreenRefreshRateInHz)
        .def_readwrite("FullScreenPresentationInterval", &VgxPresentParameters::FullScreenPresentationInterval);
    DescribeValue(
        present, {"BackBufferWidth", "BackBufferHeight", "BackBufferFormat", "BackBufferCount", "MultiSampleType",
                  "SwapEffect", "DeviceWindow", "Windowed", "EnableAutoDepthStencil", "AutoDepthStencilFormat", "Flags",
                  "FullScreenRefreshRateInHz", "FullScreenPresentationInterval"});

    py::class_<VgxPicture, std::shared_ptr<VgxPicture>> picture(module, "VgxPicture", Doc("VgxPicture", ""));
    picture.def(py::init<>())
        .def_readwrite("Width", &VgxPicture::Width)
        .def_readwrite("Height", &VgxPicture::Height)
        .def_readwrite("Pixels", &VgxPicture::Pixels);
}

}  // namespace vorlansg
