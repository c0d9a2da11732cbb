// The texture search path: three priority lists of folders.
#include <vgx/Vgx.h>

#include <string_view>

#include "base/errors.h"
#include "platform/mod_file.h"
#include "state/root_state.h"

namespace {

// Calls `visit` with each folder of a ";"-separated list, in order.
template <class Visit>
void ForEachFolder(std::string_view list, Visit&& visit) {
    while (!list.empty()) {
        size_t separator = list.find(';');
        visit(list.substr(0, separator));
        list = separator == std::string_view::npos ? std::string_view() : list.substr(separator + 1);
    }
}

bool ListsFolder(std::string_view list, std::string_view folder) {
    bool found = false;
    ForEachFolder(list, [&](std::string_view entry) { found = found || entry == folder; });
    return found;
}

// Puts `front` before `rest`, joined by ";" when both are present.
std::string JoinInFront(const std::string& front, const std::string& rest) {
    if (front.empty()) return rest;
    if (rest.empty()) return front;
    return front + ";" + rest;
}

}  // namespace

void Vgx::AddSearchPath(const std::string& Path, int32_t Priority) {
    vgx::Trap("Vgx", [&] {
        if (Path.empty()) return;
        std::string& list = vgx::At(internals_->searchPaths, Priority);
        ForEachFolder(Path, [&](std::string_view piece) {
            std::string folder = vgx::modFile::GetShortPath(vgx::modFile::ResolveRelativePath(std::string(piece)));
            if (folder.empty() || ListsFolder(GetSearchPath(), folder)) return;
            list = JoinInFront(folder, list);
        });
    });
}

std::string Vgx::GetSearchPath() const {
    const auto& lists = internals_->searchPaths;
    return JoinInFront(lists[2], JoinInFront(lists[1], lists[0]));
}

void Vgx::GetSearchPathList(std::vector<std::string>& SearchPathList, int32_t& SearchPathListCount) const {
    vgx::Trap("Vgx", [&] {
        ForEachFolder(GetSearchPath(), [&](std::string_view folder) {
            SearchPathList.resize(static_cast<size_t>(SearchPathListCount) + 1);
            SearchPathList[SearchPathListCount++] = std::string(folder);
        });
    });
}
