// Docstrings, IntEnums and VgxError for Python, all taken from the public headers.
#include <pybind11/eval.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <unordered_map>

#include "binding.h"

namespace vorlansg {
namespace {

struct DocEntry {
    const char* key;
    const char* text;
};
struct EnumEntry {
    const char* name;
    const char* member;
    int64_t value;
};

#include "api_tables.inc"

// The IntEnum classes by name; filled once at import and kept for the process.
std::unordered_map<std::string, py::object>& EnumClasses() {
    static auto* classes = new std::unordered_map<std::string, py::object>();
    return *classes;
}

py::handle& ErrorClass() {
    static py::handle errorClass;
    return errorClass;
}

}  // namespace

const char* Doc(const char* className, const char* method) {
    std::string key = className;
    if (*method) key = key + "." + method;
    const auto* end = std::end(kDocs);
    const auto* found = std::lower_bound(std::begin(kDocs), end, key,
                                         [](const DocEntry& entry, const std::string& k) { return entry.key < k; });
    return found != end && key == found->key ? found->text : "";
}

int32_t SequenceIndex(int32_t index, int32_t size) {
    if (index < 0) index += size;
    if (index < 0 || index >= size) throw py::index_error("index out of range");
    return index;
}

py::object EnumClass(const char* name) { return EnumClasses().at(name); }

py::handle EnumValue(const char* enumName, int64_t value) {
    try {
        return EnumClass(enumName)(value).release();
    } catch (const py::error_already_set&) {
        // A value the enum does not name still reaches Python, as a plain int.
        return py::int_(value).release();
    }
}

bool LoadInt32(py::handle source, int32_t& value) {
    if (!source || PyBool_Check(source.ptr()) || !PyLong_Check(source.ptr())) return false;
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(source.ptr(), &overflow);
    if (overflow != 0 || number < INT32_MIN || number > INT32_MAX) return false;
    value = static_cast<int32_t>(number);
    return true;
}

void DescribeValue(py::handle cls, std::initializer_list<const char*> fields) {
    py::list names;
    for (const char* field : fields) names.append(field);
    py::setattr(cls, "__vorlansg_fields__", py::tuple(names));
    py::cpp_function repr([](py::handle self) {
        std::string text = py::str(py::type::of(self).attr("__name__"));
        text += "(";
        bool first = true;
        for (py::handle field : py::tuple(py::type::of(self).attr("__vorlansg_fields__"))) {
            if (!first) text += ", ";
            first = false;
            text += std::string(py::str(field)) + "=" + std::string(py::repr(self.attr(field)));
        }
        return text + ")";
    });
    py::cpp_function equal([](py::handle self, py::handle other) -> py::object {
        if (!py::isinstance(other, py::type::of(self))) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
        for (py::handle field : py::tuple(py::type::of(self).attr("__vorlansg_fields__"))) {
            if (!self.attr(field).equal(other.attr(field))) return py::bool_(false);
        }
        return py::bool_(true);
    });
    py::setattr(cls, "__repr__", py::reinterpret_steal<py::object>(PyInstanceMethod_New(repr.ptr())));
    py::setattr(cls, "__eq__", py::reinterpret_steal<py::object>(PyInstanceMethod_New(equal.ptr())));
    py::setattr(cls, "__hash__", py::none());
}

void BindEnums(py::module_& module) {
    py::object intEnum = py::module_::import("enum").attr("IntEnum");
    const auto* entry = std::begin(kEnums);
    while (entry != std::end(kEnums)) {
        const char* name = entry->name;
        py::list members;
        for (; entry != std::end(kEnums) && std::strcmp(entry->name, name) == 0; ++entry) {
            members.append(py::make_tuple(entry->member, entry->value));
        }
        py::object cls = intEnum(name, members, py::arg("module") = module.attr("__name__"));
        module.attr(name) = cls;
        EnumClasses()[name] = cls;
    }
}

void BindErrors(py::module_& module) {
    // A Python class, so scripts can raise and catch it like any exception; the
    // library's errors arrive as it with their number, source and description.
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    scope["__name__"] = module.attr("__name__");
    py::exec(R"(
class VgxError(Exception):
    """The library's one error: a run-time error number, the class or module that
    raised it, and its description ("Subscript out of range" for 9)."""

    def __init__(self, Number, Source, Description):
        super().__init__(f"Error {Number} ({Source}): {Description}")
        self.Number = Number
        self.Source = Source
        self.Description = Description
)",
             scope);
    py::object cls = scope["VgxError"];
    module.attr("VgxError") = cls;
    ErrorClass() = cls.inc_ref();
    py::register_exception_translator([](std::exception_ptr pending) {
        try {
            if (pending) std::rethrow_exception(pending);
        } catch (const VgxError& error) {
            py::object instance = ErrorClass()(error.Number, error.Source, error.Description);
            PyErr_SetObject(ErrorClass().ptr(), instance.ptr());
        }
    });
}

}  // namespace vorlansg
