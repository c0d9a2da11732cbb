#pragma once
// A small Wavefront OBJ reader for tests and benchmarks: feeds public meshes to AddFaces.
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vgx::test {

struct ObjMesh {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    // Per face n, then n triples (point, normal, UV index), then a final 0.
    std::vector<int32_t> faceData;
    int32_t faceCount = 0;
};

// Reads the v, vt, vn and f lines; everything else is skipped. Face corners may be
// p, p/t, p//n or p/t/n, 1-based, negative counting back from the last entry read.
// A corner without a normal (UV) index, or naming one in a file that has no vn (vt)
// line, points at one zero normal ((0, 0) UV) appended after the file's own, so a
// file without any gets a one-entry list.
// Raises std::runtime_error when the file cannot be read or an index is out of range.
ObjMesh ReadObj(const std::string& path);

// The absolute path of a file or folder under the test data folder (tests/data).
// Raises std::runtime_error naming the path when it does not exist, so a missing
// file fails the test that needs it instead of crashing it.
std::string TestDataPath(const std::string& relative);

}  // namespace vgx::test
