#pragma once
// What every binding file shares: pybind11, the docstrings taken from the public
// headers, the IntEnum casters and the small helpers that keep the bindings short.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <vgx/Vgx7a.h>

#include <cstdint>
#include <initializer_list>

namespace py = pybind11;

namespace vorlansg {

// The header comment that documents Class::Method, or "" when it has none.
const char* Doc(const char* className, const char* method);

// The Python IntEnum of that name (built from the headers' enums at import).
py::object EnumClass(const char* name);
py::handle EnumValue(const char* enumName, int64_t value);
bool LoadInt32(py::handle source, int32_t& value);

// Adds __repr__ and __eq__ over the listed attributes to a plain value type.
void DescribeValue(py::handle cls, std::initializer_list<const char*> fields);

// Long operations run without the GIL, so threads with their own roots overlap.
using ReleaseGil = py::call_guard<py::gil_scoped_release>;

// A bound class whose methods take their docstrings from its header.
template <class Class, class... Options>
class Binder {
public:
    Binder(py::module_& module, const char* name) : name_(name), class_(module, name, Doc(name, "")) {}

    template <class Function, class... Extra>
    Binder& def(const char* method, Function&& function, const Extra&... extra) {
        class_.def(method, std::forward<Function>(function), py::doc(Doc(name_, method)), extra...);
        return *this;
    }
    template <class Function, class... Extra>
    Binder& def_static(const char* method, Function&& function, const Extra&... extra) {
        class_.def_static(method, std::forward<Function>(function), py::doc(Doc(name_, method)), extra...);
        return *this;
    }
    // `obj.Name` reads GetName and writes SetName, beside the methods themselves.
    template <class Getter, class Setter>
    Binder& property(const char* name, Getter&& getter, Setter&& setter) {
        class_.def_property(name, std::forward<Getter>(getter), std::forward<Setter>(setter));
        return *this;
    }
    // GetName, SetName (its argument called `argument`) and the property Name.
    template <class Getter, class Setter>
    Binder& attribute(const std::string& name, Getter getter, Setter setter, const char* argument) {
        def(("Get" + name).c_str(), getter).def(("Set" + name).c_str(), setter, py::arg(argument));
        return property(name.c_str(), getter, setter);
    }
    template <class Getter>
    Binder& readonly(const char* name, Getter&& getter) {
        class_.def_property_readonly(name, std::forward<Getter>(getter));
        return *this;
    }
    py::class_<Class, Options...>& cls() { return class_; }

private:
    const char* name_;
    py::class_<Class, Options...> class_;
};

template <class Class, class... Bases>
using Shared = Binder<Class, Bases..., std::shared_ptr<Class>>;

// A C++ call that writes its result into its first parameter, as a Python call
// that returns it.
template <class Result, class Class, class... Args>
auto Returning(void (Class::*call)(Result&, Args...) const) {
    return [call](const Class& self, Args... args) {
        Result result{};
        (self.*call)(result, args...);
        return result;
    };
}

// Python's index of a sequence of `size` (negative counts from the end); IndexError
// outside it, so that for-loops over the sequence end.
int32_t SequenceIndex(int32_t index, int32_t size);

// GetSize/GetElement plus the sequence protocol; GetElement keeps the library's errors.
template <class Array>
void BindSequence(py::module_& module, const char* name) {
    Shared<Array> array(module, name);
    array.def("GetSize", &Array::GetSize)
        .def("GetElement", &Array::GetElement, py::arg("Index"))
        .def("__len__", &Array::GetSize)
        .def("__getitem__",
             [](const Array& self, int32_t index) { return self.GetElement(SequenceIndex(index, self.GetSize())); });
}

void BindErrors(py::module_& module);
void BindEnums(py::module_& module);
void BindValueTypes(py::module_& module);
void BindDevice(py::module_& module);
void BindRoot(py::module_& module);
void BindObject(py::module_& module);
void BindFace(py::module_& module);
void BindGroup(py::module_& module);
void BindMaterials(py::module_& module);
void BindPlugins(py::module_& module);

}  // namespace vorlansg

// The library's enums cross into Python as the IntEnums of the same name and are
// accepted from any int (an IntEnum is one); the library checks the value itself.
#define VORLANSG_ENUM_CASTER(Type)                                           \
    namespace pybind11::detail {                                             \
    template <>                                                              \
    struct type_caster<Type> {                                               \
        PYBIND11_TYPE_CASTER(Type, const_name(#Type));                       \
        bool load(handle source, bool) {                                     \
            int32_t number = 0;                                              \
            if (!vorlansg::LoadInt32(source, number)) return false;          \
            value = static_cast<Type>(number);                               \
            return true;                                                     \
        }                                                                    \
        static handle cast(Type source, return_value_policy, handle) {       \
            return vorlansg::EnumValue(#Type, static_cast<int64_t>(source)); \
        }                                                                    \
    };                                                                       \
    }

VORLANSG_ENUM_CASTER(VgxLightType)
VORLANSG_ENUM_CASTER(VgxFogMode)
VORLANSG_ENUM_CASTER(VgxCondition)
VORLANSG_ENUM_CASTER(VgxAxis)
VORLANSG_ENUM_CASTER(VgxCurveType)
VORLANSG_ENUM_CASTER(VgxObjectType)
VORLANSG_ENUM_CASTER(VgxWrapType)
VORLANSG_ENUM_CASTER(VgxOperationControlType)
VORLANSG_ENUM_CASTER(VgxCombineType)
VORLANSG_ENUM_CASTER(VgxGroupConstraint)
VORLANSG_ENUM_CASTER(VgxAnimationKeyType)
VORLANSG_ENUM_CASTER(VgxParameterType)
