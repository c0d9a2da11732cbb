// VgxObject: the mesh, its modelling operations and its render buffers. Geometry
// goes in and out as NumPy arrays (see arrays.h); long operations drop the GIL.
#include <cmath>

#include "arrays.h"
#include "binding.h"

namespace vorlansg {
namespace {

constexpr const char* kObject = "VgxObject";

// The FaceData of triangles with their own flat normals: normal i belongs to
// triangle i, and every corner takes UV 0.
void TriangleFaceData(const std::vector<VgxVector>& points, const std::vector<int32_t>& corners,
                      std::vector<VgxVector>& normals, std::vector<int32_t>& faceData) {
    const size_t triangles = corners.size() / 3;
    normals.resize(triangles);
    faceData.resize(triangles * 10 + 1);
    for (size_t t = 0; t < triangles; ++t) {
        const int32_t* corner = &corners[t * 3];
        for (int k = 0; k < 3; ++k) {
            if (corner[k] < 0 || static_cast<size_t>(corner[k]) >= points.size()) {
                throw VgxError(VgxErrSubscript, kObject, "Subscript out of range");
            }
        }
        const VgxVector &a = points[corner[0]], &b = points[corner[1]], &c = points[corner[2]];
        const double ux = b.X - a.X, uy = b.Y - a.Y, uz = b.Z - a.Z;
        const double vx = c.X - a.X, vy = c.Y - a.Y, vz = c.Z - a.Z;
        const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        const double scale = length > 0 ? 1 / length : 0;
        normals[t] = {static_cast<float>(nx * scale), static_cast<float>(ny * scale), static_cast<float>(nz * scale)};
        int32_t* block = &faceData[t * 10];
        block[0] = 3;
        for (int k = 0; k < 3; ++k) {
            block[1 + k * 3] = corner[k];
            block[2 + k * 3] = static_cast<int32_t>(t);
            block[3 + k * 3] = 0;
        }
    }
    faceData.back() = 0;
}

py::tuple Geometry(const VgxObject& self) {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    {
        py::gil_scoped_release release;
        self.GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
    }
    return py::make_tuple(VectorsArray(std::move(points), pointCount), VectorsArray(std::move(normals), normalCount),
                          UVsArray(std::move(uvs), uvCount), IntsArray(std::move(faceData), faceDataCount));
}

py::tuple Visual(VgxObject& self, bool Triangulate) {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    std::vector<std::shared_ptr<VgxMaterial>> materials;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0, materialCount = 0;
    {
        py::gil_scoped_release release;
        self.GetVisual(Triangulate, points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount,
                       materials, materialCount);
    }
    materials.resize(static_cast<size_t>(std::max(materialCount, 0)));
    return py::make_tuple(VectorsArray(std::move(points), pointCount), VectorsArray(std::move(normals), normalCount),
                          UVsArray(std::move(uvs), uvCount), IntsArray(std::move(faceData), faceDataCount),
                          py::cast(materials));
}

// The shown mesh in triangles: its points and an (m, 3) int32 array of corners.
py::tuple Triangles(VgxObject& self) {
    py::tuple visual = Visual(self, true);
    auto faceData = visual[3].cast<py::array_t<int32_t>>();
    const int32_t* data = faceData.data();
    const py::ssize_t size = faceData.size();
    std::vector<int32_t> corners;
    corners.reserve(static_cast<size_t>(size / 10 * 3));
    for (py::ssize_t at = 0; at < size && data[at] != 0; at += 1 + 3 * data[at]) {
        if (data[at] != 3 || at + 10 > size) throw VgxError(VgxErrInternal, kObject, "Internal error");
        for (int k = 0; k < 3; ++k) corners.push_back(data[at + 1 + 3 * k]);
    }
    const auto count = static_cast<int32_t>(corners.size());
    py::array triangles = IntsArray(std::move(corners), count).attr("reshape")(-1, 3);
    return py::make_tuple(visual[0], triangles);
}

template <class Result, class Call>
py::array VectorList(Call&& call) {
    std::vector<Result> list;
    int32_t count = 0;
    {
        py::gil_scoped_release release;
        call(list, count);
    }
    if constexpr (std::is_same_v<Result, VgxUV>) {
        return UVsArray(std::move(list), count);
    } else {
        return VectorsArray(std::move(list), count);
    }
}

// An operation whose first argument is an index list: the list from NumPy, then
// the call without the GIL.
template <class Result, class... Args>
auto WithIndexList(Result (VgxObject::*operation)(const std::vector<int32_t>&, Args...)) {
    return [operation](VgxObject& self, const py::object& list, Args... args) {
        const std::vector<int32_t> indexes = IntsFrom(list, kObject);
        py::gil_scoped_release release;
        return (self.*operation)(indexes, args...);
    };
}

// AddOptimizedPoints, -Normals or -UVs: the list from NumPy, the pool indexes back.
template <class Element>
auto AddOptimized(void (VgxObject::*add)(const std::vector<Element>&, std::vector<int32_t>&),
                  std::vector<Element> (*from)(py::handle, const char*)) {
    return [add, from](VgxObject& self, const py::object& list) {
        std::vector<int32_t> indexes;
        (self.*add)(from(list, kObject), indexes);
        const auto count = static_cast<int32_t>(indexes.size());
        return IntsArray(std::move(indexes), count);
    };
}

}  // namespace

void BindObject(py::module_& module) {
    using py::arg;
    using Object = VgxObject;
    Shared<Object> object(module, kObject);
    object.def("AddOptimizedPoint", &Object::AddOptimizedPoint, arg("Point"))
        .def("AddOptimizedPoints", AddOptimized(&Object::AddOptimizedPoints, VectorsFrom), arg("PointList"))
        .def("AddOptimizedNormal", &Object::AddOptimizedNormal, arg("Normal"))
        .def("AddOptimizedNormals", AddOptimized(&Object::AddOptimizedNormals, VectorsFrom), arg("NormalList"))
        .def("AddOptimizedUV", &Object::AddOptimizedUV, arg("UV"))
        .def("AddOptimizedUVs", AddOptimized(&Object::AddOptimizedUVs, UVsFrom), arg("UVList"))
        .def("GetPointCount", &Object::GetPointCount)
        .def("GetNormalCount", &Object::GetNormalCount)
        .def("GetUVCount", &Object::GetUVCount)
        .def("GetPoint", &Object::GetPoint, arg("PointID"))
        .def("SetPoint", &Object::SetPoint, arg("PointID"), arg("Point"))
        .def("GetNormal", &Object::GetNormal, arg("NormalID"))
        .def("SetNormal", &Object::SetNormal, arg("NormalID"), arg("Normal"))
        .def("GetUV", &Object::GetUV, arg("UVID"))
        .def("SetUV", &Object::SetUV, arg("UVID"), arg("UV"))
        .def(
            "AddFaces",
            [](Object& self, const py::object& PointList, const py::object& NormalList, const py::object& UVList,
               const py::object& FaceData, bool OptimizeCoordinates, bool OptimizeFaces) {
                auto points = VectorsFrom(PointList, kObject);
                auto normals = VectorsFrom(NormalList, kObject);
                auto uvs = UVsFrom(UVList, kObject);
                auto faceData = IntsFrom(FaceData, kObject);
                py::gil_scoped_release release;
                self.AddFaces(points, normals, uvs, faceData, OptimizeCoordinates, OptimizeFaces);
            },
            arg("PointList"), arg("NormalList"), arg("UVList"), arg("FaceData"), arg("OptimizeCoordinates"),
            arg("OptimizeFaces"))
        .def("AddFacesIndexed", WithIndexList(&Object::AddFacesIndexed), arg("FaceData"), arg("OptimizeFaces"))
        .def(
            "add_triangles",
            [](Object& self, const py::object& points, const py::object& triangles, bool optimize) {
                auto pointList = VectorsFrom(points, kObject);
                auto corners = IntsFrom(triangles, kObject, 3);
                std::vector<VgxVector> normals;
                std::vector<int32_t> faceData;
                TriangleFaceData(pointList, corners, normals, faceData);
                if (corners.empty()) return;
                const std::vector<VgxUV> uvs{{0, 0}};
                py::gil_scoped_release release;
                self.AddFaces(pointList, normals, uvs, faceData, optimize, false);
            },
            arg("points"), arg("triangles"), arg("optimize") = false,
            "Adds triangles: points float32 (n, 3), triangles int32 (m, 3) of point indexes. Each triangle gets "
            "its flat normal and UV (0, 0); optimize merges coordinates as AddFaces does.")
        .def("get_triangles", &Triangles,
             "The mesh as it is shown, in triangles: (points float32 (n, 3), triangles int32 (m, 3)).")
        .def("CreateFace", &Object::CreateFace)
        .def("DeleteFaces", WithIndexList(&Object::DeleteFaces), arg("FaceIDList"))
        .def("GetFaceCount", &Object::GetFaceCount)
        .def("GetFace", &Object::GetFace, arg("FaceID"))
        .def("GetFaces", &Object::GetFaces)
        .def("DefaultMaterial", &Object::DefaultMaterial, arg("Color"))
        .def("ApplyMaterial", &Object::ApplyMaterial, arg("Material"))
        .def("GetGeometry", &Geometry,
             "(PointList, NormalList, UVList, FaceData): float32 (n, 3), (n, 3), (n, 2) and int32 arrays, without "
             "a copy.")
        .def(
            "GetGeometryPointUV",
            [](const Object& self) {
                std::vector<VgxVectorUV> pointUVs;
                std::vector<VgxVector> normals;
                std::vector<int32_t> faceData;
                int32_t pointUVCount = 0, normalCount = 0, faceDataCount = 0;
                {
                    py::gil_scoped_release release;
                    self.GetGeometryPointUV(pointUVs, pointUVCount, normals, normalCount, faceData, faceDataCount);
                }
                return py::make_tuple(PointUVsArray(std::move(pointUVs), pointUVCount),
                                      VectorsArray(std::move(normals), normalCount),
                                      IntsArray(std::move(faceData), faceDataCount));
            },
            "(PointUVList float32 (n, 5) of x, y, z, u, v; NormalList; FaceData).")
        .def("GetVisual", &Visual, arg("Triangulate"),
             "(PointList, NormalList, UVList, FaceData, FaceMaterialList) of the mesh as it is shown.")
        .def("GetPoints",
             [](const Object& self) {
                 return VectorList<VgxVector>([&](auto& list, int32_t& count) { self.GetPoints(list, count); });
             })
        .def("GetNormals",
             [](const Object& self) {
                 return VectorList<VgxVector>([&](auto& list, int32_t& count) { self.GetNormals(list, count); });
             })
        .def("GetUVs",
             [](const Object& self) {
                 return VectorList<VgxUV>([&](auto& list, int32_t& count) { self.GetUVs(list, count); });
             })
        .def(
            "SetPoints",
            [](Object& self, const py::object& PointList) { self.SetPoints(VectorsFrom(PointList, kObject)); },
            arg("PointList"))
        .def(
            "SetNormals",
            [](Object& self, const py::object& NormalList) { self.SetNormals(VectorsFrom(NormalList, kObject)); },
            arg("NormalList"))
        .def(
            "SetUVs", [](Object& self, const py::object& UVList) { self.SetUVs(UVsFrom(UVList, kObject)); },
            arg("UVList"))
        .def("Resize", &Object::Resize, arg("Factor"))
        .def("Translate", &Object::Translate, arg("Translation"))
        .def("GetBoundingBox", &Object::GetBoundingBox, ReleaseGil())
        .def("Optimize", &Object::Optimize, arg("InDepth"), arg("Version"), ReleaseGil())
        .def("Clear", &Object::Clear)
        .def("AddObject", &Object::AddObject, arg("Object"), ReleaseGil())
        .def("Load", &Object::Load, arg("FileName"), ReleaseGil())
        .def("Save", &Object::Save, arg("FileName"), ReleaseGil())
        .def("Smooth", &Object::Smooth, arg("SmoothingLevel"), arg("SmoothingCondition"), arg("SmoothingAngle"),
             arg("SmoothingTension"), ReleaseGil())
        .def("Divide", &Object::Divide, ReleaseGil())
        .def("Crease", &Object::Crease, ReleaseGil())
        .def("Crease2", &Object::Crease2, arg("CreaseAngle"), ReleaseGil())
        .def("Triangulate", &Object::Triangulate, ReleaseGil())
        .def("MergeTriangles", &Object::MergeTriangles, arg("Level"), arg("MergeDissimilarMaterials"), ReleaseGil())
        .def("Consolidate", &Object::Consolidate, arg("Level"), arg("ConsolidateDissimilarMaterials"), ReleaseGil())
        .def("RepairGeometry", &Object::RepairGeometry, arg("Level"), ReleaseGil())
        .def("Solidify", &Object::Solidify, arg("Version"), ReleaseGil())
        .def("BevelPoints", WithIndexList(&Object::BevelPoints), arg("PointList"), arg("Bevel"))
        .def("BevelEdges", WithIndexList(&Object::BevelEdges), arg("EdgeList"), arg("Bevel"), arg("Version"))
        .def("Reduce", &Object::Reduce, arg("Level"), ReleaseGil())
        .def("ApplyWrap", &Object::ApplyWrap, arg("WrapType"), arg("RelativeGroup"), arg("ox"), arg("oy"), arg("oz"),
             arg("dx"), arg("dy"), arg("dz"), arg("ux"), arg("uy"), arg("uz"), arg("ou"), arg("ov"), arg("su"),
             arg("sv"), ReleaseGil())
        .def("OptimizeMaterials", &Object::OptimizeMaterials, ReleaseGil())
        .def(
            "GetShadowVolumeVertices",
            [](Object& self, int32_t DeviceID, const VgxVector& LightDirection) {
                return VectorList<VgxVector>([&](auto& list, int32_t& count) {
                    self.GetShadowVolumeVertices(DeviceID, list, count, LightDirection);
                });
            },
            arg("DeviceID"), arg("LightDirection"));
    object.def("JoinEdges", WithIndexList(&Object::JoinEdges), arg("EdgeList"))
        .def("JoinPoints", WithIndexList(&Object::JoinPoints), arg("Points"))
        .def("DivideEdges", WithIndexList(&Object::DivideEdges), arg("EdgeList"), arg("Divisions"))
        .def("DivideFaces", WithIndexList(&Object::DivideFaces), arg("FaceIDList"), arg("DivisionMode"))
        .def("DivideFaces2", WithIndexList(&Object::DivideFaces2), arg("FaceIDList"), arg("DivisionMode"));
    object.def("GetSubObjectCount", &Object::GetSubObjectCount, ReleaseGil())
        .def("GetVertexBuffer", &Object::GetVertexBuffer, arg("DeviceID"), arg("ddDevice"), ReleaseGil())
        .def("GetSubObjectSolidIndexBuffer", &Object::GetSubObjectSolidIndexBuffer, arg("DeviceID"), arg("SubObject"))
        .def("GetSubObjectNonSolidIndexBuffer", &Object::GetSubObjectNonSolidIndexBuffer, arg("DeviceID"),
             arg("SubObject"))
        .def("GetSubVisualSolidIndexBuffer", &Object::GetSubVisualSolidIndexBuffer, arg("DeviceID"), arg("SubObject"))
        .def("GetSubVisualNonSolidIndexBuffer", &Object::GetSubVisualNonSolidIndexBuffer, arg("DeviceID"),
             arg("SubObject"))
        .def("GetSubObjectD3DXMesh", &Object::GetSubObjectD3DXMesh, arg("DeviceID"), arg("SubObject"), arg("ddDevice"),
             ReleaseGil())
        .def("GetVertexSize", &Object::GetVertexSize)
        .def("GetVertexFormat", &Object::GetVertexFormat)
        .def("GetSubObjectMaterial", &Object::GetSubObjectMaterial, arg("SubObject"))
        .def("GetVertexBufferObjectVertexCount", &Object::GetVertexBufferObjectVertexCount, ReleaseGil())
        .def("GetVertexBufferVisualVertexCount", &Object::GetVertexBufferVisualVertexCount, ReleaseGil())
        .def("GetSubObjectSolidPrimitiveCount", &Object::GetSubObjectSolidPrimitiveCount, arg("SubObject"))
        .def("GetSubObjectNonSolidPrimitiveCount", &Object::GetSubObjectNonSolidPrimitiveCount, arg("SubObject"))
        .def("GetSubVisualSolidPrimitiveCount", &Object::GetSubVisualSolidPrimitiveCount, arg("SubObject"))
        .def("GetSubVisualNonSolidPrimitiveCount", &Object::GetSubVisualNonSolidPrimitiveCount, arg("SubObject"))
        .def("ReleaseDirect3DBuffers", py::overload_cast<>(&Object::ReleaseDirect3DBuffers))
        .def("ReleaseDirect3DBuffers", py::overload_cast<int32_t>(&Object::ReleaseDirect3DBuffers), arg("DeviceID"))
        .attribute("Name", &Object::GetName, &Object::SetName, "Name")
        .attribute("AppData", &Object::GetAppData, &Object::SetAppData, "Data")
        .def("GetObjectID", &Object::GetObjectID)
        .def("Enable", &Object::Enable, arg("Flags"))
        .def("GetEnable", &Object::GetEnable)
        .attribute("Quality", &Object::GetQuality, &Object::SetQuality, "Quality")
        .attribute("SmoothingLevel", &Object::GetSmoothingLevel, &Object::SetSmoothingLevel, "Level")
        .attribute("SmoothingTension", &Object::GetSmoothingTension, &Object::SetSmoothingTension, "Tension")
        .attribute("SmoothingCondition", &Object::GetSmoothingCondition, &Object::SetSmoothingCondition, "Condition")
        .attribute("SmoothingAngle", &Object::GetSmoothingAngle, &Object::SetSmoothingAngle, "Angle")
        .attribute("MirrorAxis", &Object::GetMirrorAxis, &Object::SetMirrorAxis, "Axis")
        .attribute("CreasingFactor", &Object::GetCreasingFactor, &Object::SetCreasingFactor, "Factor")
        .attribute("CurvePoints", &Object::GetCurvePoints, &Object::SetCurvePoints, "CurvePoints")
        .attribute("CurveType", &Object::GetCurveType, &Object::SetCurveType, "CurveType")
        .attribute("CurveQuality", &Object::GetCurveQuality, &Object::SetCurveQuality, "CurveQuality")
        .attribute("ObjectType", &Object::GetObjectType, &Object::SetObjectType, "ObjectType")
        .attribute("Locked", &Object::GetLocked, &Object::SetLocked, "Locked")
        .def("SetCloneOptions", &Object::SetCloneOptions, arg("CloneNumber"), arg("CloneOffset"), arg("CloneRotate"))
        .def("GetCloneOptions",
             [](const Object& self) {
                 VgxVectorLong number{};
                 VgxVector offset{}, rotate{};
                 self.GetCloneOptions(number, offset, rotate);
                 return py::make_tuple(number, offset, rotate);
             })
        .attribute("OperationControl", &Object::GetOperationControl, &Object::SetOperationControl, "Type")
        .attribute("OperationControlDirectional", &Object::GetOperationControlDirectional,
                   &Object::SetOperationControlDirectional, "Directional")
        .def("SetOperationControlPosition", &Object::SetOperationControlPosition, arg("Position"))
        .def("GetOperationControlPosition", Returning(&Object::GetOperationControlPosition))
        .def("SetOperationControlSize", &Object::SetOperationControlSize, arg("Size"))
        .def("GetOperationControlSize", Returning(&Object::GetOperationControlSize))
        .def("SetOperationControlOrientation", &Object::SetOperationControlOrientation, arg("Dir"), arg("Up"))
        .def("GetOperationControlOrientation",
             [](const Object& self) {
                 VgxVector dir{}, up{};
                 self.GetOperationControlOrientation(dir, up);
                 return py::make_tuple(dir, up);
             })
        .attribute("RenderShadow", &Object::GetRenderShadow, &Object::SetRenderShadow, "RenderShadow")
        .attribute("MaintainAdjacency", &Object::GetMaintainAdjacency, &Object::SetMaintainAdjacency,
                   "MaintainAdjacency")
        .def("SetCustomFieldValue", &Object::SetCustomFieldValue, arg("FieldID"), arg("FieldValue"))
        .def("GetCustomFieldValue", &Object::GetCustomFieldValue, arg("FieldID"))
        .readonly("ObjectID", &Object::GetObjectID)
        .readonly("FaceCount", &Object::GetFaceCount)
        .readonly("PointCount", &Object::GetPointCount);
}

}  // namespace vorlansg
