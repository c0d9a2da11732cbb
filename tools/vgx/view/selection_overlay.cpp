#include "selection_overlay.h"

#include <cstring>

namespace vgxtool {
namespace {

constexpr D3DCOLORVALUE kNoColour{0, 0, 0, 1};
constexpr D3DCOLORVALUE kSelectedFill{0.95f, 0.55f, 0.15f, 1};
constexpr D3DCOLORVALUE kHoverLine{1, 0.95f, 0.3f, 1};
constexpr D3DCOLORVALUE kSelectedMark{0.3f, 0.9f, 1, 1};

// Appends the library's 44-byte vertex: position and normal; colour and UVs stay zero.
class VertexWriter {
public:
    explicit VertexWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    int32_t Add(const VgxVector& position, const VgxVector& normal) {
        const size_t at = bytes_.size();
        bytes_.resize(at + 44, 0);
        std::memcpy(&bytes_[at], &position, 12);
        std::memcpy(&bytes_[at + 12], &normal, 12);
        return static_cast<int32_t>(at / 44);
    }

private:
    std::vector<uint8_t>& bytes_;
};

DrawBatch Batch(PrimitiveKind kind, const std::vector<uint32_t>& indices, D3DCOLORVALUE lit, D3DCOLORVALUE unlit) {
    DrawBatch batch{
        kind,   std::vector<uint8_t>(indices.size() * 4), true, static_cast<int32_t>(indices.size()), 0, lit, unlit,
        nullptr};
    std::memcpy(batch.indices.data(), indices.data(), batch.indices.size());
    return batch;
}

// The face's outline as line pairs.
void AddOutline(VgxObject& object, VertexWriter& vertices, int32_t face, std::vector<uint32_t>& lines) {
    const std::shared_ptr<VgxFace> proxy = object.GetFace(face);
    const int32_t corners = proxy->GetPointCount();
    const int32_t first = vertices.Add(object.GetPoint(proxy->GetPointID(0)), {});
    for (int32_t k = 1; k < corners; ++k) vertices.Add(object.GetPoint(proxy->GetPointID(k)), {});
    for (int32_t k = 0; k < corners; ++k)
        lines.insert(lines.end(), {uint32_t(first + k), uint32_t(first + (k + 1) % corners)});
}

}  // namespace

DrawObject BuildSelectionOverlay(VgxObject& object, const VgxMatrix& toScene, const Selection& selection,
                                 std::optional<int32_t> hoveredFace) {
    DrawObject overlay{toScene, {}, {}};
    VertexWriter vertices(overlay.vertices);
    std::vector<uint32_t> fill, hoverLines, markLines, markPoints;
    const int32_t faceCount = object.GetFaceCount();
    for (const int32_t face : selection.faces) {
        if (face >= faceCount) continue;
        const std::shared_ptr<VgxFace> proxy = object.GetFace(face);
        const VgxVector normal = proxy->GetFaceNormal();
        const int32_t first = vertices.Add(object.GetPoint(proxy->GetPointID(0)), normal);
        for (int32_t k = 1; k < proxy->GetPointCount(); ++k)
            vertices.Add(object.GetPoint(proxy->GetPointID(k)), normal);
        // A fan: the library's faces are convex enough for a highlight.
        for (int32_t k = 1; k + 1 < proxy->GetPointCount(); ++k) {
            fill.insert(fill.end(), {uint32_t(first), uint32_t(first + k), uint32_t(first + k + 1)});
        }
    }
    if (hoveredFace && *hoveredFace < faceCount) AddOutline(object, vertices, *hoveredFace, hoverLines);
    for (const int32_t point : selection.points) {
        if (point < object.GetPointCount()) markPoints.push_back(uint32_t(vertices.Add(object.GetPoint(point), {})));
    }
    for (const FaceSide& edge : selection.edges) {
        if (edge.face >= faceCount) continue;
        const std::shared_ptr<VgxFace> proxy = object.GetFace(edge.face);
        const int32_t corners = proxy->GetPointCount();
        if (edge.side >= corners) continue;
        const int32_t a = vertices.Add(object.GetPoint(proxy->GetPointID(edge.side)), {});
        vertices.Add(object.GetPoint(proxy->GetPointID((edge.side + 1) % corners)), {});
        markLines.insert(markLines.end(), {uint32_t(a), uint32_t(a + 1)});
    }
    if (!fill.empty()) overlay.batches.push_back(Batch(PrimitiveKind::Triangles, fill, kSelectedFill, kNoColour));
    if (!hoverLines.empty()) overlay.batches.push_back(Batch(PrimitiveKind::Lines, hoverLines, kHoverLine, kNoColour));
    if (!markLines.empty()) overlay.batches.push_back(Batch(PrimitiveKind::Lines, markLines, kSelectedMark, kNoColour));
    if (!markPoints.empty())
        overlay.batches.push_back(Batch(PrimitiveKind::Points, markPoints, kSelectedMark, kNoColour));
    return overlay;
}

}  // namespace vgxtool
