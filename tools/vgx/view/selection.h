#pragma once
// What the user has picked on the edited object, in one of three modes, and how a
// pick under the mouse becomes a face, its nearest corner or its nearest side.
#include <vgx/Vgx7a.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../scene_camera.h"
#include "scene_document.h"

namespace vgxtool {

enum class SelectMode { Faces, Points, Edges };

// An edge as the library names it: a face and the side from corner k to k + 1.
struct FaceSide {
    int32_t face, side;
    auto operator<=>(const FaceSide&) const = default;
};

struct Selection {
    SelectMode mode = SelectMode::Faces;
    std::vector<int32_t> faces;
    std::vector<int32_t> points;
    std::vector<FaceSide> edges;

    bool Empty() const;
    void Clear();
    // Adds the feature of the mode (toggling it off when `add` and already chosen),
    // or makes it the only one unless `add`.
    void Choose(int32_t face, int32_t point, FaceSide edge, bool add);
    // "3 faces: 12 14 15" (the first few ids).
    std::string Describe() const;

    // What an operation works on: the selected ones, or what the selected faces hold.
    std::vector<int32_t> FacesOrAll(const VgxObject& object) const;
    std::vector<int32_t> PointsOrCorners(const VgxObject& object) const;
    // The library's flat (face, side) list.
    std::vector<int32_t> EdgesOrSides(const VgxObject& object) const;
};

// The face under a pixel and its corner and side nearest the hit.
struct PickedFeature {
    std::shared_ptr<VgxObject> object;
    int32_t face;
    int32_t point;  // the point id of the nearest corner
    FaceSide edge;
};

// Sets the device's viewport, view and projection as the picture shows them, then
// asks the library for the nearest surface under pixel (x, y).
std::optional<PickedFeature> PickAt(SceneDocument& document, const Camera& camera, int32_t width, int32_t height,
                                    float x, float y);

}  // namespace vgxtool
