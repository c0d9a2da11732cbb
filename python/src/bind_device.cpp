// The software device and the resources the library creates on it. Buffers read
// into read-only NumPy arrays: one copy through the device interface, which is all
// a device promises (a host's buffers may live in graphics memory).
#include "arrays.h"
#include "binding.h"

namespace vorlansg {
namespace {

// The 44-byte vertex of the render buffers as a NumPy record.
py::object VertexDtype() {
    py::list fields;
    fields.append(py::make_tuple("position", "<f4", py::make_tuple(3)));
    fields.append(py::make_tuple("normal", "<f4", py::make_tuple(3)));
    fields.append(py::make_tuple("diffuse", "<u4"));
    fields.append(py::make_tuple("uv0", "<f4", py::make_tuple(2)));
    fields.append(py::make_tuple("uv1", "<f4", py::make_tuple(2)));
    return py::module_::import("numpy").attr("dtype")(fields);
}

// The buffer's bytes, viewed as `dtype`, read-only.
py::array ReadAll(const VgxDeviceBuffer& buffer, const py::object& dtype) {
    py::array_t<uint8_t> bytes(static_cast<py::ssize_t>(buffer.GetLength()));
    buffer.Read(0, bytes.mutable_data(), buffer.GetLength());
    py::array view = bytes.attr("view")(dtype);
    view.attr("setflags")(py::arg("write") = false);
    return view;
}

}  // namespace

void BindDevice(py::module_& module) {
    using py::arg;
    py::class_<VgxDeviceBuffer, std::shared_ptr<VgxDeviceBuffer>>(module, "VgxDeviceBuffer")
        .def("GetLength", &VgxDeviceBuffer::GetLength)
        .def(
            "Read",
            [](const VgxDeviceBuffer& self, size_t Offset, size_t Size) {
                std::string data(Size, '\0');
                self.Read(Offset, data.data(), Size);
                return py::bytes(data);
            },
            arg("Offset"), arg("Size"))
        .def(
            "Write",
            [](VgxDeviceBuffer& self, size_t Offset, const py::bytes& Data) {
                const std::string_view bytes = Data;
                self.Write(Offset, bytes.data(), bytes.size());
            },
            arg("Offset"), arg("Data"));

    py::class_<VgxVertexBuffer, VgxDeviceBuffer, std::shared_ptr<VgxVertexBuffer>>(module, "VgxVertexBuffer")
        .def("GetFormat", &VgxVertexBuffer::GetFormat)
        .def("GetUsage", &VgxVertexBuffer::GetUsage)
        .def(
            "array", [](const VgxVertexBuffer& self) { return ReadAll(self, VertexDtype()); },
            "The vertices as a read-only NumPy record array (position, normal, diffuse, uv0, uv1): a copy.");

    py::class_<VgxIndexBuffer, VgxDeviceBuffer, std::shared_ptr<VgxIndexBuffer>>(module, "VgxIndexBuffer")
        .def("GetFormat", &VgxIndexBuffer::GetFormat)
        .def("GetUsage", &VgxIndexBuffer::GetUsage)
        .def(
            "array",
            [](const VgxIndexBuffer& self) {
                const bool wide = self.GetFormat() == VgxFormatIndex32;
                return ReadAll(self, wide ? py::dtype::of<uint32_t>() : py::dtype::of<uint16_t>());
            },
            "The indexes as a read-only NumPy array (uint16 or uint32 by the format): a copy.");

    py::class_<VgxDeviceTexture, std::shared_ptr<VgxDeviceTexture>>(module, "VgxDeviceTexture")
        .def("GetLevelCount", &VgxDeviceTexture::GetLevelCount)
        .def("GetLevelWidth", &VgxDeviceTexture::GetLevelWidth, arg("Level"))
        .def("GetLevelHeight", &VgxDeviceTexture::GetLevelHeight, arg("Level"))
        .def(
            "ReadLevel",
            [](const VgxDeviceTexture& self, int32_t Level) {
                std::vector<int32_t> pixels = self.ReadLevel(Level);
                const auto count = static_cast<int32_t>(pixels.size());
                return IntsArray(std::move(pixels), count);
            },
            arg("Level"))
        .def(
            "WriteLevel",
            [](VgxDeviceTexture& self, int32_t Level, const py::object& Pixels) {
                self.WriteLevel(Level, IntsFrom(Pixels, "VgxDeviceTexture"));
            },
            arg("Level"), arg("Pixels"));

    py::class_<VgxDeviceMesh, std::shared_ptr<VgxDeviceMesh>>(module, "VgxDeviceMesh")
        .def("GetNumFaces", &VgxDeviceMesh::GetNumFaces)
        .def("GetNumVertices", &VgxDeviceMesh::GetNumVertices)
        .def("GetOptions", &VgxDeviceMesh::GetOptions)
        .def("GetFormat", &VgxDeviceMesh::GetFormat)
        .def("GetVertexBuffer", &VgxDeviceMesh::GetVertexBuffer)
        .def("GetIndexBuffer", &VgxDeviceMesh::GetIndexBuffer);

    Shared<VgxDevice> device(module, "VgxDevice");
    device.def("GetDeviceCaps", &VgxDevice::GetDeviceCaps)
        .def("GetDisplayMode", &VgxDevice::GetDisplayMode)
        .def("GetRenderState", &VgxDevice::GetRenderState, arg("State"))
        .def("TestCooperativeLevel", &VgxDevice::TestCooperativeLevel)
        .def("Reset", &VgxDevice::Reset, arg("Parameters"))
        .def("GetViewport", &VgxDevice::GetViewport)
        .def("GetTransform", &VgxDevice::GetTransform, arg("State"))
        .def("CreateVertexBuffer", &VgxDevice::CreateVertexBuffer, arg("Length"), arg("Usage"), arg("Format"),
             arg("Pool"))
        .def("CreateIndexBuffer", &VgxDevice::CreateIndexBuffer, arg("Length"), arg("Usage"), arg("Format"),
             arg("Pool"))
        .def("CreateTexture", &VgxDevice::CreateTexture, arg("Width"), arg("Height"), arg("Levels"), arg("Usage"),
             arg("Format"), arg("Pool"))
        .def("CreateMesh", &VgxDevice::CreateMesh, arg("Faces"), arg("Vertices"), arg("Options"), arg("Format"));

    Binder<VgxSoftwareDevice, VgxDevice, std::shared_ptr<VgxSoftwareDevice>> software(module, "VgxSoftwareDevice");
    software.cls()
        .def(py::init<>())
        .def(py::init<const VgxPresentParameters&, int64_t, int32_t>(), arg("Parameters"), arg("FocusWindow") = 0,
             arg("BehaviourFlags") = 0);
    software.def_static("GetAdapterDisplayMode", &VgxSoftwareDevice::GetAdapterDisplayMode)
        .def("SetDeviceCaps", &VgxSoftwareDevice::SetDeviceCaps, arg("Caps"))
        .def("SetRenderState", &VgxSoftwareDevice::SetRenderState, arg("State"), arg("Value"))
        .def("SetViewport", &VgxSoftwareDevice::SetViewport, arg("Viewport"))
        .def("SetTransform", &VgxSoftwareDevice::SetTransform, arg("State"), arg("Matrix"))
        .def("MarkLost", &VgxSoftwareDevice::MarkLost, arg("FailingResets") = 0)
        .def("GetPresentParameters", &VgxSoftwareDevice::GetPresentParameters)
        .def("GetFocusWindow", &VgxSoftwareDevice::GetFocusWindow)
        .def("GetBehaviourFlags", &VgxSoftwareDevice::GetBehaviourFlags)
        .def("GetResetCount", &VgxSoftwareDevice::GetResetCount);
}

}  // namespace vorlansg
