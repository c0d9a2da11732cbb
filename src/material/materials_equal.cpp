#include "material/materials_equal.h"

#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vgx {
namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool SameColours(void (VgxMaterial::*get)(float&, float&, float&) const, const VgxMaterial& a, const VgxMaterial& b) {
    float ar, ag, ab, br, bg, bb;
    (a.*get)(ar, ag, ab);
    (b.*get)(br, bg, bb);
    return ar == br && ag == bg && ab == bb;
}

}  // namespace

bool MaterialsEqual(const VgxMaterial& a, const VgxMaterial& b) {
    if (a.GetPower() != b.GetPower()) return false;
    if (!SameColours(&VgxMaterial::GetAmbient, a, b) || !SameColours(&VgxMaterial::GetEmissive, a, b) ||
        !SameColours(&VgxMaterial::GetSpecular, a, b)) {
        return false;
    }
    if (a.GetColor() != b.GetColor() || a.GetRaytraceAttributes() != b.GetRaytraceAttributes()) return false;
    int32_t au, av, bu, bv;
    a.GetTextureWrappingFlags(au, av);
    b.GetTextureWrappingFlags(bu, bv);
    if (au != bu || av != bv || a.GetTexture() != b.GetTexture() || a.GetPluginID() != b.GetPluginID()) return false;
    for (int32_t field = 0; field < 6; ++field) {
        if (!EqualIgnoringCase(a.GetCustomFieldValue(field), b.GetCustomFieldValue(field))) return false;
    }
    if (a.GetPluginID() == -1) return true;
    std::vector<float> pa, pb;
    a.GetPlugInParameters(pa);
    b.GetPlugInParameters(pb);
    if (pa.size() != pb.size()) return false;
    for (size_t i = 0; i < pa.size(); ++i) {
        if (!(std::fabs(pa[i] - pb[i]) < 0.0001f)) return false;
    }
    return true;
}

}  // namespace vgx
