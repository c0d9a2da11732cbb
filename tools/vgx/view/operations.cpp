#include "operations.h"

#include <algorithm>
#include <stdexcept>

namespace vgxtool {
namespace {

// Operations on a selection refuse an empty one rather than act on nothing.
template <typename List>
const List& Required(const List& list, const char* what) {
    if (list.empty()) throw std::invalid_argument(std::string("select ") + what + " first");
    return list;
}

// The texture goes on a new material on every face, so undo brings back the old ones.
void ApplyWrapWithTexture(VgxObject& object, Vgx& root, const OperationSettings& settings) {
    if (!settings.texture.empty()) {
        const std::shared_ptr<VgxMaterial> material = root.CreateMaterial();
        material->SetTexture(root.CreateTexture(settings.texture, "", "", 0, "", "", "", 256, 256));
        object.ApplyMaterial(material);
    }
    const VgxBox box = object.GetBoundingBox();
    const float width = std::max(box.Max.X - box.Min.X, 1e-6f), height = std::max(box.Max.Y - box.Min.Y, 1e-6f);
    // Fitted to the box: the projection's unit square covers the object once.
    object.ApplyWrap(static_cast<VgxWrapType>(settings.wrapType), nullptr, (box.Min.X + box.Max.X) / 2,
                     (box.Min.Y + box.Max.Y) / 2, (box.Min.Z + box.Max.Z) / 2, 0, 0, 1, 0, 1, 0, 0.5f, 0.5f, 1 / width,
                     1 / height);
}

}  // namespace

void OperationSettings::Set(const std::string& name, const std::string& value) {
    size_t used = 0;
    const auto number = [&] {
        const float parsed = std::stof(value, &used);
        if (used != value.size()) throw std::invalid_argument(value + ": not a number");
        return parsed;
    };
    if (name == "texture") {
        texture = value;
    } else if (name == "smooth-level") {
        smoothLevel = static_cast<int32_t>(number());
    } else if (name == "bevel") {
        bevel = number();
    } else if (name == "divisions") {
        divisions = static_cast<int32_t>(number());
    } else if (name == "level") {
        level = static_cast<int32_t>(number());
    } else if (name == "reduce") {
        reducePercent = static_cast<int32_t>(number());
    } else if (name == "smoothing") {
        smoothingLevel = static_cast<int32_t>(number());
    } else if (name == "mirror") {
        mirrorAxis = value == "x" ? VgxAxisX : value == "y" ? VgxAxisY : value == "z" ? VgxAxisZ : VgxAxisNone;
    } else if (name == "creasing") {
        creasingFactor = number();
    } else if (name == "wrap") {
        wrapType = value == "cylinder" ? VgxWrapCylinder
                   : value == "sphere" ? VgxWrapSphere
                   : value == "chrome" ? VgxWrapChrome
                                       : VgxWrapFlat;
    } else {
        throw std::invalid_argument(name + ": no such setting");
    }
}

const std::vector<Operation>& Operations() {
    using S = const Selection&;
    using O = const OperationSettings&;
    static const std::vector<Operation> operations{
        {"smooth", true, [](VgxObject& o, Vgx&, S, O s) { o.Smooth(s.smoothLevel, VgxGreaterThan, 0, 0); }},
        {"smoothing-level", false, [](VgxObject& o, Vgx&, S, O s) { o.SetSmoothingLevel(s.smoothingLevel); }},
        {"mirror", false, [](VgxObject& o, Vgx&, S, O s) { o.SetMirrorAxis(static_cast<VgxAxis>(s.mirrorAxis)); }},
        {"creasing", false, [](VgxObject& o, Vgx&, S, O s) { o.SetCreasingFactor(s.creasingFactor); }},
        {"divide", true, [](VgxObject& o, Vgx&, S, O) { o.Divide(); }},
        {"divide-faces", true, [](VgxObject& o, Vgx&, S sel, O) { o.DivideFaces(sel.FacesOrAll(o), 0); }},
        {"divide-edges", true,
         [](VgxObject& o, Vgx&, S sel, O s) { o.DivideEdges(Required(sel.EdgesOrSides(o), "edges"), s.divisions); }},
        {"join-edges", true, [](VgxObject& o, Vgx&, S sel, O) { o.JoinEdges(Required(sel.EdgesOrSides(o), "edges")); }},
        {"bevel-points", true,
         [](VgxObject& o, Vgx&, S sel, O s) { o.BevelPoints(Required(sel.PointsOrCorners(o), "points"), s.bevel); }},
        {"bevel-edges", true,
         [](VgxObject& o, Vgx&, S sel, O s) { o.BevelEdges(Required(sel.EdgesOrSides(o), "edges"), s.bevel, 100); }},
        {"triangulate", true, [](VgxObject& o, Vgx&, S, O) { o.Triangulate(); }},
        {"merge-triangles", true, [](VgxObject& o, Vgx&, S, O s) { o.MergeTriangles(s.level, false); }},
        {"consolidate", true, [](VgxObject& o, Vgx&, S, O s) { o.Consolidate(s.level, false); }},
        {"repair", true, [](VgxObject& o, Vgx&, S, O s) { o.RepairGeometry(s.level); }},
        {"solidify", true, [](VgxObject& o, Vgx&, S, O) { o.Solidify(0); }},
        {"reduce", true, [](VgxObject& o, Vgx&, S, O s) { o.Reduce(s.reducePercent); }},
        {"wrap", false, [](VgxObject& o, Vgx& root, S, O s) { ApplyWrapWithTexture(o, root, s); }},
        {"delete-faces", true, [](VgxObject& o, Vgx&, S sel, O) { o.DeleteFaces(Required(sel.faces, "faces")); }},
    };
    return operations;
}

const Operation* FindOperation(const std::string& name) {
    for (const Operation& operation : Operations()) {
        if (name == operation.name) return &operation;
    }
    return nullptr;
}

}  // namespace vgxtool
