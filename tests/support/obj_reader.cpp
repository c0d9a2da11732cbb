#include "support/obj_reader.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace vgx::test {
namespace {

struct Cursor {
    const char* at;
    const char* end;
    // Consumes the line's keyword when it is `word` followed by a blank.
    bool Keyword(std::string_view word) {
        const size_t n = word.size();
        if (size_t(end - at) <= n || std::string_view(at, n) != word || (at[n] != ' ' && at[n] != '\t')) return false;
        at += n;
        return true;
    }
    bool Slash() {
        if (at == end || *at != '/') return false;
        ++at;
        return true;
    }
    void SkipBlanks() {
        while (at < end && (*at == ' ' || *at == '\t' || *at == '\r')) ++at;
    }
    float Float() {
        SkipBlanks();
        float value = 0;
        at = std::from_chars(at, end, value).ptr;
        return value;
    }
    // An OBJ index resolved to 0-based; -1 when the field is empty or names a list
    // the file never fills (some files give UV indices without any vt line).
    int32_t Index(size_t count) {
        int32_t value = 0;
        auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc()) return -1;
        at = next;
        if (count == 0) return -1;
        int64_t index = value < 0 ? int64_t(count) + value : int64_t(value) - 1;
        if (index < 0 || index >= int64_t(count)) throw std::runtime_error("OBJ index out of range");
        return int32_t(index);
    }
};

// Points the corners that gave no index at a default entry appended to the list.
template <typename T>
void FillMissing(std::vector<int32_t>& faceData, size_t slot, std::vector<T>& list) {
    const int32_t fallback = int32_t(list.size());
    bool used = false;
    for (size_t i = 0; faceData[i] != 0; i += 3 * size_t(faceData[i]) + 1)
        for (size_t corner = i + 1 + slot; corner < i + 1 + 3 * size_t(faceData[i]); corner += 3)
            if (faceData[corner] < 0) faceData[corner] = fallback, used = true;
    if (used) list.push_back(T{});
}

}  // namespace

ObjMesh ReadObj(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string text(file ? size_t(file.tellg()) : 0, '\0');
    if (!file || !file.seekg(0).read(text.data(), std::streamsize(text.size())))
        throw std::runtime_error("cannot read " + path);
    ObjMesh mesh;
    bool missing = false;
    for (Cursor line{text.data(), text.data() + text.size()}; line.at < line.end; ++line.at) {
        const char* eol = std::find(line.at, line.end, '\n');
        Cursor c{line.at, eol};
        c.SkipBlanks();
        if (c.Keyword("v")) {
            mesh.points.push_back({c.Float(), c.Float(), c.Float()});
        } else if (c.Keyword("vn")) {
            mesh.normals.push_back({c.Float(), c.Float(), c.Float()});
        } else if (c.Keyword("vt")) {
            mesh.uvs.push_back({c.Float(), c.Float()});
        } else if (c.Keyword("f")) {
            const size_t head = mesh.faceData.size();
            mesh.faceData.push_back(0);
            for (c.SkipBlanks(); c.at < c.end; c.SkipBlanks()) {
                int32_t point = c.Index(mesh.points.size()), uv = -1, normal = -1;
                if (point < 0) throw std::runtime_error("bad face corner in " + path);
                if (c.Slash()) uv = c.Index(mesh.uvs.size());
                if (c.Slash()) normal = c.Index(mesh.normals.size());
                mesh.faceData.insert(mesh.faceData.end(), {point, normal, uv});
                missing = missing || uv < 0 || normal < 0;
                ++mesh.faceData[head];
            }
            // A face without corners would end the FaceData early.
            if (mesh.faceData[head] == 0) throw std::runtime_error("empty face in " + path);
            ++mesh.faceCount;
        }
        line.at = eol;
    }
    mesh.faceData.push_back(0);
    if (missing) {
        FillMissing(mesh.faceData, 1, mesh.normals);
        FillMissing(mesh.faceData, 2, mesh.uvs);
    }
    return mesh;
}

std::string TestDataPath(const std::string& relative) {
    std::string path = std::string(VGX_TESTDATA_DIR) + "/" + relative;
    if (!std::filesystem::exists(path)) throw std::runtime_error("missing test data: " + path);
    return path;
}

}  // namespace vgx::test
