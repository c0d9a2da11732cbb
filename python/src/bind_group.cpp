// VgxGroup, the scene graph node, with its member and pick arrays as Python
// sequences. Transform queries return what C++ writes into output parameters.
#include "arrays.h"
#include "binding.h"

namespace vorlansg {
namespace {

py::tuple Pick(const VgxPickArray& self, int32_t index) {
    std::shared_ptr<VgxObject> object;
    std::shared_ptr<VgxGroup> group;
    VgxPickDesc description{};
    self.GetPick(index, object, group, description);
    return py::make_tuple(object, group, description);
}

}  // namespace

void BindGroup(py::module_& module) {
    using py::arg;
    BindSequence<VgxGroupArray>(module, "VgxGroupArray");
    BindSequence<VgxObjectArray>(module, "VgxObjectArray");
    BindSequence<VgxLightArray>(module, "VgxLightArray");

    Shared<VgxPickArray> picks(module, "VgxPickArray");
    picks.def("GetSize", &VgxPickArray::GetSize)
        .def("GetPick", &Pick, arg("Index"), "(Object, Group, PickDescription) of hit Index.")
        .def("FindNearest", &VgxPickArray::FindNearest)
        .def("FindFurthest", &VgxPickArray::FindFurthest)
        .def("__len__", &VgxPickArray::GetSize)
        .def("__getitem__",
             [](const VgxPickArray& self, int32_t index) { return Pick(self, SequenceIndex(index, self.GetSize())); });

    using Group = VgxGroup;
    Shared<Group> group(module, "VgxGroup");
    group.def("AddChild", &Group::AddChild, arg("Group"))
        .def("DeleteChild", &Group::DeleteChild, arg("Group"))
        .def("GetParent", &Group::GetParent)
        .def("GetScene", &Group::GetScene)
        .def("GetChildren", &Group::GetChildren)
        .def("AddObject", &Group::AddObject, arg("Object"))
        .def("DeleteObject", &Group::DeleteObject, arg("Object"))
        .def("GetObjects", &Group::GetObjects)
        .def("AddLight", &Group::AddLight, arg("Light"))
        .def("DeleteLight", &Group::DeleteLight, arg("Light"))
        .def("GetLights", &Group::GetLights)
        .attribute("Name", &Group::GetName, &Group::SetName, "Name")
        .attribute("AppData", &Group::GetAppData, &Group::SetAppData, "Data")
        .def("csVgx", &Group::csVgx)
        .def("SetSceneFogMode", &Group::SetSceneFogMode, arg("SceneFogMode"))
        .def("GetSceneFogMode", &Group::GetSceneFogMode)
        .def("SetSceneFogColor", &Group::SetSceneFogColor, arg("SceneFogColor"))
        .def("GetSceneFogColor", &Group::GetSceneFogColor)
        .def("SetSceneFogParams", &Group::SetSceneFogParams, arg("FogStart"), arg("FogEnd"), arg("FogDensity"))
        .def("GetSceneFogParams",
             [](const Group& self) {
                 float start = 0, end = 0, density = 0;
                 self.GetSceneFogParams(start, end, density);
                 return py::make_tuple(start, end, density);
             })
        .def("SetSceneFogEnable", &Group::SetSceneFogEnable, arg("SceneFogEnable"))
        .def("GetSceneFogEnable", &Group::GetSceneFogEnable)
        .def("SetSceneBackgroundRGB", &Group::SetSceneBackgroundRGB, arg("Red"), arg("Green"), arg("Blue"));
    // The three kinds of custom field share one set of six calls.
    struct FieldCalls {
        const char* kind;
        int32_t (Group::*add)(const std::string&);
        void (Group::*clear)();
        int32_t (Group::*count)() const;
        std::string (Group::*name)(int32_t) const;
        int32_t (Group::*id)(const std::string&) const;
    };
    const FieldCalls fields[] = {
        {"Object", &Group::AddObjectCustomField, &Group::ClearObjectCustomFields, &Group::GetObjectCustomFieldCount,
         &Group::GetObjectCustomFieldName, &Group::GetObjectCustomFieldID},
        {"Material", &Group::AddMaterialCustomField, &Group::ClearMaterialCustomFields,
         &Group::GetMaterialCustomFieldCount, &Group::GetMaterialCustomFieldName, &Group::GetMaterialCustomFieldID},
        {"Group", &Group::AddGroupCustomField, &Group::ClearGroupCustomFields, &Group::GetGroupCustomFieldCount,
         &Group::GetGroupCustomFieldName, &Group::GetGroupCustomFieldID},
    };
    for (const FieldCalls& calls : fields) {
        const std::string kind = calls.kind;
        group.def(("Add" + kind + "CustomField").c_str(), calls.add, arg("CustomFieldName"))
            .def(("Clear" + kind + "CustomFields").c_str(), calls.clear)
            .def(("Get" + kind + "CustomFieldCount").c_str(), calls.count)
            .def(("Get" + kind + "CustomFieldName").c_str(), calls.name, arg("Index"))
            .def(("Get" + kind + "CustomFieldID").c_str(), calls.id, arg("CustomFieldName"));
    }
    // Lists of vectors carried into or out of a group's frame, as NumPy arrays.
    using TransformList =
        void (Group::*)(std::vector<VgxVector>&, const std::vector<VgxVector>&, const std::shared_ptr<Group>&) const;
    const std::pair<const char*, TransformList> transformLists[] = {
        {"TransformVectors", &Group::TransformVectors},
        {"InverseTransformVectors", &Group::InverseTransformVectors},
    };
    for (const auto& [name, transform] : transformLists) {
        group.def(
            name,
            [transform](const Group& self, const py::object& VectorList, const std::shared_ptr<Group>& RelativeGroup) {
                auto vectors = VectorsFrom(VectorList, "VgxGroup");
                std::vector<VgxVector> result;
                {
                    py::gil_scoped_release release;
                    (self.*transform)(result, vectors, RelativeGroup);
                }
                const auto count = static_cast<int32_t>(result.size());
                return VectorsArray(std::move(result), count);
            },
            arg("VectorList"), arg("RelativeGroup"));
    }
    group.def("SetCustomFieldValue", &Group::SetCustomFieldValue, arg("FieldID"), arg("FieldValue"))
        .def("GetCustomFieldValue", &Group::GetCustomFieldValue, arg("FieldID"))
        .def("SetPosition", &Group::SetPosition, arg("Time"), arg("RelativeGroup"), arg("Position"))
        .def(
            "GetPosition",
            [](const Group& self, float Time, const std::shared_ptr<Group>& RelativeGroup) {
                VgxVector position{};
                self.GetPosition(Time, RelativeGroup, position);
                return position;
            },
            arg("Time"), arg("RelativeGroup"))
        .def("SetOrientation", &Group::SetOrientation, arg("Time"), arg("RelativeGroup"), arg("Dir"), arg("Up"))
        .def(
            "GetOrientation",
            [](const Group& self, float Time, const std::shared_ptr<Group>& RelativeGroup) {
                VgxVector dir{}, up{};
                self.GetOrientation(Time, RelativeGroup, dir, up);
                return py::make_tuple(dir, up);
            },
            arg("Time"), arg("RelativeGroup"))
        .def("SetQuaternion", &Group::SetQuaternion, arg("RelativeGroup"), arg("Q"))
        .def("SetRotation", &Group::SetRotation, arg("Axis"), arg("Theta"))
        .def("GetRotation",
             [](const Group& self) {
                 VgxVector axis{};
                 float theta = 0;
                 self.GetRotation(axis, theta);
                 return py::make_tuple(axis, theta);
             })
        .def("ApplyRotation", &Group::ApplyRotation, arg("Delta"))
        .def("AddRotation", &Group::AddRotation, arg("Combine"), arg("Axis"), arg("Theta"))
        .def("AddTranslation", &Group::AddTranslation, arg("Combine"), arg("Translation"))
        .def("LookAt", &Group::LookAt, arg("LookAtGroup"), arg("Constraint"))
        .def(
            "GetTransform",
            [](const Group& self, const std::shared_ptr<Group>& RelativeGroup) {
                VgxMatrix transform{};
                self.GetTransform(RelativeGroup, transform);
                return transform;
            },
            arg("RelativeGroup"))
        .def("GetLocalTransform", Returning(&Group::GetLocalTransform))
        .def("Transform", Returning(&Group::Transform), arg("SourceVector"))
        .def("InverseTransform", Returning(&Group::InverseTransform), arg("SourceVector"))
        .def("AddAnimationKey", &Group::AddAnimationKey, arg("Key"))
        .def("DeleteAnimationKey", &Group::DeleteAnimationKey, arg("Time"))
        .def(
            "GetAnimationKeys",
            [](const Group& self, float TimeMin, float TimeMax) {
                std::vector<VgxAnimationKey> keys;
                int32_t count = 0;
                self.GetAnimationKeys(TimeMin, TimeMax, keys, count);
                keys.resize(static_cast<size_t>(std::max(count, 0)));
                return keys;
            },
            arg("TimeMin"), arg("TimeMax"))
        .attribute("AnimationOptions", &Group::GetAnimationOptions, &Group::SetAnimationOptions, "Flags")
        .def("SetAnimationTime", &Group::SetAnimationTime, arg("Time"))
        .def("ViewportPick", &Group::ViewportPick, arg("X"), arg("Y"), arg("DeviceID"), arg("Device"), ReleaseGil())
        .def("RayPick", &Group::RayPick, arg("DeviceID"), arg("Device"), arg("RayOrigin"), arg("RayDirection"),
             ReleaseGil())
        .def("Load", &Group::Load, arg("FileName"), ReleaseGil())
        .def("Save", &Group::Save, arg("FileName"), ReleaseGil())
        .def("SetSkin", &Group::SetSkin, arg("Skin"))
        .def("GetSkin", &Group::GetSkin)
        .def(
            "SetSkinInfluences",
            [](Group& self, const py::object& PointList, const py::object& WeightList) {
                self.SetSkinInfluences(IntsFrom(PointList, "VgxGroup"), FloatsFrom(WeightList, "VgxGroup"));
            },
            arg("PointList"), arg("WeightList"))
        .def("GetSkinInfluences", [](Group& self) {
            std::vector<int32_t> points;
            std::vector<float> weights;
            int32_t count = 0;
            self.GetSkinInfluences(points, weights, count);
            return py::make_tuple(IntsArray(std::move(points), count), FloatsArray(std::move(weights), count));
        });
}

}  // namespace vorlansg
