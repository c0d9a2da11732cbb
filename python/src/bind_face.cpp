// VgxFace, the proxy of one face, and VgxFaceArray as a Python sequence.
#include "binding.h"

namespace vorlansg {

void BindFace(py::module_& module) {
    using py::arg;
    Shared<VgxFace> face(module, "VgxFace");
    face.def("AddPoint", &VgxFace::AddPoint, arg("Point"), arg("Normal"), arg("UV"))
        .def("AddPointIndexed", &VgxFace::AddPointIndexed, arg("PointID"), arg("NormalID"), arg("UVID"))
        .def("SetPoint", &VgxFace::SetPoint, arg("FacePointID"), arg("Point"), arg("Normal"), arg("UV"))
        .def("SetPointIndexed", &VgxFace::SetPointIndexed, arg("FacePointID"), arg("PointID"), arg("NormalID"),
             arg("UVID"))
        .def("SetUV", &VgxFace::SetUV, arg("FacePointID"), arg("UV"))
        .def("SetUVID", &VgxFace::SetUVID, arg("FacePointID"), arg("UVID"))
        .def("GetUV", &VgxFace::GetUV, arg("Index"))
        .def("GetPointCount", &VgxFace::GetPointCount)
        .def(
            "GetPoint",
            [](const VgxFace& self, int32_t FacePointID) {
                VgxVector point{}, normal{};
                VgxUV uv{};
                self.GetPoint(FacePointID, point, normal, uv);
                return py::make_tuple(point, normal, uv);
            },
            arg("FacePointID"))
        .def("GetPoints",
             [](const VgxFace& self) {
                 std::vector<VgxVector> points, normals;
                 std::vector<VgxUV> uvs;
                 int32_t count = 0;
                 self.GetPoints(points, normals, uvs, count);
                 return py::make_tuple(points, normals, uvs);
             })
        .def("GetPointIDs",
             [](const VgxFace& self) {
                 std::vector<int32_t> points, normals, uvs;
                 int32_t count = 0;
                 self.GetPointIDs(points, normals, uvs, count);
                 return py::make_tuple(points, normals, uvs);
             })
        .def("GetPointID", &VgxFace::GetPointID, arg("Index"))
        .def("GetNormalID", &VgxFace::GetNormalID, arg("Index"))
        .def("GetUVID", &VgxFace::GetUVID, arg("Index"))
        .def("GetFaceNormal", &VgxFace::GetFaceNormal)
        .def("GetMaterial", &VgxFace::GetMaterial)
        .def("ApplyMaterial", &VgxFace::ApplyMaterial, arg("Material"))
        .def("DefaultMaterial", &VgxFace::DefaultMaterial, arg("Color"))
        .def("id", &VgxFace::id)
        .attribute("AppData", &VgxFace::GetAppData, &VgxFace::SetAppData, "Data");

    BindSequence<VgxFaceArray>(module, "VgxFaceArray");
}

}  // namespace vorlansg
