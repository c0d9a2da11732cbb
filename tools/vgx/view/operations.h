#pragma once
// The modelling operations the viewer offers, by the names the panel shows and
// scripts use, each calling the library on the selection or the whole object.
#include <vgx/Vgx7a.h>

#include <functional>
#include <string>
#include <vector>

#include "selection.h"

namespace vgxtool {

// The parameters the panel's sliders set; scripts set them with `set NAME VALUE`.
struct OperationSettings {
    int32_t smoothLevel = 1;
    float bevel = 0.05f;
    int32_t divisions = 2;
    int32_t level = 4;  // of MergeTriangles, Consolidate and RepairGeometry
    int32_t reducePercent = 50;
    int32_t smoothingLevel = 1;
    int32_t mirrorAxis = VgxAxisX;
    float creasingFactor = 50;
    int32_t wrapType = VgxWrapFlat;
    std::string texture;  // an image file for ApplyWrap; none keeps the materials

    // Raises std::invalid_argument for an unknown name or a value that is no number.
    void Set(const std::string& name, const std::string& value);
};

struct Operation {
    const char* name;
    // Whether face and point numbers change, so the selection no longer holds.
    bool changesTopology;
    std::function<void(VgxObject& object, Vgx& root, const Selection& selection, const OperationSettings& settings)>
        run;
};

const std::vector<Operation>& Operations();
// Null for an unknown name.
const Operation* FindOperation(const std::string& name);

}  // namespace vgxtool
