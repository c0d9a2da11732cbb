#include "selection.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "orbit_camera.h"

namespace vgxtool {
namespace {

template <typename T>
void ChooseIn(std::vector<T>& chosen, const T& item, bool add) {
    const auto found = std::find(chosen.begin(), chosen.end(), item);
    if (!add) {
        chosen.assign(1, item);
    } else if (found != chosen.end()) {
        chosen.erase(found);
    } else {
        chosen.push_back(item);
    }
}

template <typename T, typename Print>
std::string DescribeIds(const std::vector<T>& ids, const char* singular, const char* plural, Print print) {
    if (ids.empty()) return std::string("no ") + plural;
    std::string text = std::to_string(ids.size()) + " " + (ids.size() == 1 ? singular : plural) + ":";
    constexpr size_t kShown = 6;
    for (size_t i = 0; i < std::min(ids.size(), kShown); ++i) text += " " + print(ids[i]);
    if (ids.size() > kShown) text += " ...";
    return text;
}

float DistanceSquared(const VgxVector& a, const VgxVector& b) {
    return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z);
}

// Distance of p from the segment a-b, squared.
float SegmentDistanceSquared(const VgxVector& p, const VgxVector& a, const VgxVector& b) {
    const VgxVector ab{b.X - a.X, b.Y - a.Y, b.Z - a.Z}, ap{p.X - a.X, p.Y - a.Y, p.Z - a.Z};
    const float length = ab.X * ab.X + ab.Y * ab.Y + ab.Z * ab.Z;
    const float t = length > 0 ? std::clamp((ap.X * ab.X + ap.Y * ab.Y + ap.Z * ab.Z) / length, 0.f, 1.f) : 0;
    return DistanceSquared(p, {a.X + ab.X * t, a.Y + ab.Y * t, a.Z + ab.Z * t});
}

}  // namespace

bool Selection::Empty() const {
    switch (mode) {
        case SelectMode::Faces:
            return faces.empty();
        case SelectMode::Points:
            return points.empty();
        case SelectMode::Edges:
            return edges.empty();
    }
    return true;
}

void Selection::Clear() {
    faces.clear();
    points.clear();
    edges.clear();
}

void Selection::Choose(int32_t face, int32_t point, FaceSide edge, bool add) {
    switch (mode) {
        case SelectMode::Faces:
            return ChooseIn(faces, face, add);
        case SelectMode::Points:
            return ChooseIn(points, point, add);
        case SelectMode::Edges:
            return ChooseIn(edges, edge, add);
    }
}

std::string Selection::Describe() const {
    const auto number = [](int32_t id) { return std::to_string(id); };
    switch (mode) {
        case SelectMode::Faces:
            return DescribeIds(faces, "face", "faces", number);
        case SelectMode::Points:
            return DescribeIds(points, "point", "points", number);
        case SelectMode::Edges:
            return DescribeIds(edges, "edge", "edges", [](const FaceSide& edge) {
                return std::to_string(edge.face) + "/" + std::to_string(edge.side);
            });
    }
    return {};
}

std::vector<int32_t> Selection::FacesOrAll(const VgxObject& object) const {
    if (!faces.empty()) return faces;
    std::vector<int32_t> all(object.GetFaceCount());
    for (int32_t i = 0; i < object.GetFaceCount(); ++i) all[i] = i;
    return all;
}

std::vector<int32_t> Selection::PointsOrCorners(const VgxObject& object) const {
    if (mode == SelectMode::Points) return points;
    std::set<int32_t> corners;
    for (const int32_t face : faces) {
        const std::shared_ptr<VgxFace> proxy = object.GetFace(face);
        for (int32_t k = 0; k < proxy->GetPointCount(); ++k) corners.insert(proxy->GetPointID(k));
    }
    return {corners.begin(), corners.end()};
}

std::vector<int32_t> Selection::EdgesOrSides(const VgxObject& object) const {
    std::vector<int32_t> flat;
    if (mode == SelectMode::Edges) {
        for (const FaceSide& edge : edges) flat.insert(flat.end(), {edge.face, edge.side});
        return flat;
    }
    for (const int32_t face : faces) {
        for (int32_t side = 0; side < object.GetFace(face)->GetPointCount(); ++side) {
            flat.insert(flat.end(), {face, side});
        }
    }
    return flat;
}

std::optional<PickedFeature> PickAt(SceneDocument& document, const Camera& camera, int32_t width, int32_t height,
                                    float x, float y) {
    VgxSoftwareDevice& device = *document.Device();
    device.SetViewport({0, 0, width, height, 0, 1});
    device.SetTransform(VgxTransformView, camera.view);
    device.SetTransform(VgxTransformProjection, DeviceProjection(camera.projection));
    // The picking meshes are the render buffers: they must be current.
    document.DrawList();
    const std::shared_ptr<VgxPickArray> picks =
        document.Scene()->ViewportPick(x, y, document.DeviceId(), document.Device());
    const int32_t nearest = picks->FindNearest();
    if (nearest < 0) return std::nullopt;
    PickedFeature picked;
    std::shared_ptr<VgxGroup> group;
    VgxPickDesc hit;
    picks->GetPick(nearest, picked.object, group, hit);
    picked.face = hit.FaceID;

    // The corner and the side nearest the hit, in the object's coordinates.
    const std::shared_ptr<VgxFace> face = picked.object->GetFace(hit.FaceID);
    const int32_t corners = face->GetPointCount();
    float nearestCorner = INFINITY, nearestSide = INFINITY;
    for (int32_t k = 0; k < corners; ++k) {
        const VgxVector a = picked.object->GetPoint(face->GetPointID(k));
        const VgxVector b = picked.object->GetPoint(face->GetPointID((k + 1) % corners));
        if (const float d = DistanceSquared(hit.Position, a); d < nearestCorner) {
            nearestCorner = d;
            picked.point = face->GetPointID(k);
        }
        if (const float d = SegmentDistanceSquared(hit.Position, a, b); d < nearestSide) {
            nearestSide = d;
            picked.edge = {hit.FaceID, k};
        }
    }
    return picked;
}

}  // namespace vgxtool
