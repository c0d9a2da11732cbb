#include "arrays.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace vorlansg {
namespace {

[[noreturn]] void Refuse(int32_t number, const char* className, const std::string& why) {
    throw VgxError(number, className, why);
}

// `source` as an array of Scalar: a NumPy array as it is, a sequence converted.
template <class Scalar>
py::array Checked(py::handle source, const char* className) {
    if (!py::isinstance<py::array>(source)) {
        if (py::isinstance<py::str>(source) || py::isinstance<py::bytes>(source) || !PySequence_Check(source.ptr())) {
            throw py::type_error(std::string("expected a NumPy array or a sequence, got ") +
                                 std::string(py::str(py::type::of(source).attr("__name__"))));
        }
        try {
            return py::module_::import("numpy").attr("asarray")(source, py::dtype::of<Scalar>());
        } catch (const py::error_already_set&) {
            Refuse(VgxErrTypeMismatch, className, "Type mismatch: the sequence is not a regular array of numbers");
        }
    }
    auto array = py::reinterpret_borrow<py::array>(source);
    if (!array.dtype().is(py::dtype::of<Scalar>())) {
        Refuse(VgxErrTypeMismatch, className,
               std::string("Type mismatch: expected dtype ") + std::string(py::str(py::dtype::of<Scalar>())) +
                   ", got " + std::string(py::str(array.dtype())));
    }
    return array;
}

// One copy of `source` into records of `width` scalars each (one scalar per record
// when width is 0): VgxVector, VgxUV or the scalar itself.
template <class Element, class Scalar>
std::vector<Element> CopyFrom(py::handle source, int width, const char* className) {
    static_assert(sizeof(Element) % sizeof(Scalar) == 0);
    py::array array = Checked<Scalar>(source, className);
    const bool empty = array.size() == 0 && array.ndim() <= 2;
    const bool shaped = width == 0 ? array.ndim() == 1 : array.ndim() == 2 && array.shape(1) == width;
    if (!shaped && !empty) {
        std::string shape = "(";
        for (py::ssize_t d = 0; d < array.ndim(); ++d) shape += (d ? ", " : "") + std::to_string(array.shape(d));
        shape += array.ndim() == 1 ? ",)" : ")";
        Refuse(VgxErrInvalidCall, className,
               "Invalid procedure call or argument: expected shape " +
                   (width == 0 ? std::string("(n,)") : "(n, " + std::to_string(width) + ")") + ", got " + shape);
    }
    const py::ssize_t rows = empty ? 0 : array.shape(0), columns = width == 0 ? 1 : width;
    const size_t count = static_cast<size_t>(rows * columns) * sizeof(Scalar) / sizeof(Element);
    if (count == 0) return {};
    if (array.flags() & py::array::c_style) {
        // The rows are the records already: one copy, no zero fill first.
        const auto* first = static_cast<const Element*>(array.data());
        return std::vector<Element>(first, first + count);
    }
    std::vector<Element> values(count);
    auto* out = reinterpret_cast<Scalar*>(values.data());
    const auto* base = static_cast<const char*>(array.data());
    const py::ssize_t rowStride = array.strides(0), columnStride = width == 0 ? 0 : array.strides(1);
    for (py::ssize_t r = 0; r < rows; ++r) {
        for (py::ssize_t c = 0; c < columns; ++c) {
            std::memcpy(out++, base + r * rowStride + c * columnStride, sizeof(Scalar));
        }
    }
    return values;
}

// Hands `values` to NumPy: the array owns the vector through a capsule.
template <class Element, class Scalar>
py::array Owning(std::vector<Element>&& values, int32_t count, int width) {
    auto* owned = new std::vector<Element>(std::move(values));
    owned->resize(static_cast<size_t>(std::max(count, 0)));
    py::capsule owner(owned, [](void* pointer) { delete static_cast<std::vector<Element>*>(pointer); });
    const auto* data = reinterpret_cast<const Scalar*>(owned->data());
    if (width == 0) return py::array_t<Scalar>({static_cast<py::ssize_t>(owned->size())}, data, owner);
    return py::array_t<Scalar>({static_cast<py::ssize_t>(owned->size()), static_cast<py::ssize_t>(width)}, data, owner);
}

}  // namespace

std::vector<VgxVector> VectorsFrom(py::handle source, const char* className) {
    return CopyFrom<VgxVector, float>(source, 3, className);
}
std::vector<VgxUV> UVsFrom(py::handle source, const char* className) {
    return CopyFrom<VgxUV, float>(source, 2, className);
}
std::vector<int32_t> IntsFrom(py::handle source, const char* className, int width) {
    return CopyFrom<int32_t, int32_t>(source, width, className);
}
std::vector<float> FloatsFrom(py::handle source, const char* className) {
    return CopyFrom<float, float>(source, 0, className);
}

py::array VectorsArray(std::vector<VgxVector>&& values, int32_t count) {
    return Owning<VgxVector, float>(std::move(values), count, 3);
}
py::array UVsArray(std::vector<VgxUV>&& values, int32_t count) {
    return Owning<VgxUV, float>(std::move(values), count, 2);
}
py::array PointUVsArray(std::vector<VgxVectorUV>&& values, int32_t count) {
    return Owning<VgxVectorUV, float>(std::move(values), count, 5);
}
py::array FloatsArray(std::vector<float>&& values, int32_t count) {
    return Owning<float, float>(std::move(values), count, 0);
}
py::array IntsArray(std::vector<int32_t>&& values, int32_t count) {
    return Owning<int32_t, int32_t>(std::move(values), count, 0);
}

}  // namespace vorlansg
