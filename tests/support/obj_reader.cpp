#include "support/obj_reader.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace vgx::test {
namespace {

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
    for (const char *at = text.data(), *end = text.data() + text.size(), *eol; at < end; at = eol + 1) {
        eol = std::find(at, end, '\n');
        auto blanks = [&] {
            while (at < eol && (*at == ' ' || *at == '\t' || *at == '\r')) ++at;
        };
        auto number = [&] {
            float value = 0;
            blanks();
            at = std::from_chars(at, eol, value).ptr;
            return value;
        };
        // An index resolved to 0-based; -1 when the field is empty or names a list the
        // file never fills (some files give UV indices without any vt line).
        auto index = [&](size_t count) {
            int32_t value = 0;
            const auto [next, error] = std::from_chars(at, eol, value);
            if (error != std::errc()) return -1;
            at = next;
            const int64_t resolved = value < 0 ? int64_t(count) + value : int64_t(value) - 1;
            if (count > 0 && (resolved < 0 || resolved >= int64_t(count)))
                throw std::runtime_error("OBJ index out of range");
            return count == 0 ? -1 : int32_t(resolved);
        };
        auto slash = [&] { return at < eol && *at == '/' && ++at; };  // steps past the slash
        blanks();
        // The line's keyword, when a blank follows it.
        const char* word = at;
        while (at < eol && *at != ' ' && *at != '\t') ++at;
        const std::string_view key = at < eol ? std::string_view(word, size_t(at - word)) : std::string_view();
        if (key == "v") {
            mesh.points.push_back({number(), number(), number()});
        } else if (key == "vn") {
            mesh.normals.push_back({number(), number(), number()});
        } else if (key == "vt") {
            mesh.uvs.push_back({number(), number()});
        } else if (key == "f") {
            const size_t head = mesh.faceData.size();
            mesh.faceData.push_back(0);
            for (blanks(); at < eol; blanks()) {
                const int32_t point = index(mesh.points.size());
                if (point < 0) throw std::runtime_error("bad face corner in " + path);
                const int32_t uv = slash() ? index(mesh.uvs.size()) : -1;
                const int32_t normal = slash() ? index(mesh.normals.size()) : -1;
                mesh.faceData.insert(mesh.faceData.end(), {point, normal, uv});
                missing = missing || uv < 0 || normal < 0;
                ++mesh.faceData[head];
            }
            // A face without corners would end the FaceData early.
            if (mesh.faceData[head] == 0) throw std::runtime_error("empty face in " + path);
            ++mesh.faceCount;
        }
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
