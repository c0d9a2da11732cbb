#pragma once
// Geometry between NumPy and the library: float32 arrays of shape (n, 3) for
// vectors and (n, 2) for UVs, int32 arrays for index lists.
//
// Going in, the library takes its own vectors, so every array is copied once; a
// non-contiguous array is read through its strides in that same copy. An array of
// another dtype or shape raises VgxError 13 or 5 before the library is called; a
// Python list or tuple is converted by NumPy to the expected dtype first.
// Coming out, the library's vectors are handed to NumPy without a copy.
#include <pybind11/numpy.h>

#include <cstdint>
#include <vector>

#include "binding.h"

namespace vorlansg {

std::vector<VgxVector> VectorsFrom(py::handle source, const char* className);
std::vector<VgxUV> UVsFrom(py::handle source, const char* className);
// int32 (n,) or, with a width, (n, width) read row by row.
std::vector<int32_t> IntsFrom(py::handle source, const char* className, int width = 0);
std::vector<float> FloatsFrom(py::handle source, const char* className);

py::array VectorsArray(std::vector<VgxVector>&& values, int32_t count);
py::array UVsArray(std::vector<VgxUV>&& values, int32_t count);
py::array IntsArray(std::vector<int32_t>&& values, int32_t count);
py::array FloatsArray(std::vector<float>&& values, int32_t count);
// (n, 5) float32: x, y, z, u, v.
py::array PointUVsArray(std::vector<VgxVectorUV>&& values, int32_t count);

}  // namespace vorlansg
