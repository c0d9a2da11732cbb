// Scene settings, custom-field schemas and the group's custom field values.
#include <vgx/VgxGroup.h>

#include "base/errors.h"
#include "base/finite.h"
#include "scene/group_internal.h"

namespace {
constexpr std::string_view kSource = "VgxGroup";
}  // namespace

void VgxGroup::SetSceneFogMode(VgxFogMode SceneFogMode) { internals_->fogMode = SceneFogMode; }
VgxFogMode VgxGroup::GetSceneFogMode() const { return internals_->fogMode; }
void VgxGroup::SetSceneFogColor(int32_t SceneFogColor) { internals_->fogColor = SceneFogColor; }
int32_t VgxGroup::GetSceneFogColor() const { return internals_->fogColor; }

void VgxGroup::SetSceneFogParams(float FogStart, float FogEnd, float FogDensity) {
    vgx::RequireFinite(kSource, FogStart, FogEnd, FogDensity);
    internals_->fogStart = FogStart;
    internals_->fogEnd = FogEnd;
    internals_->fogDensity = FogDensity;
}

void VgxGroup::GetSceneFogParams(float& FogStart, float& FogEnd, float& FogDensity) const {
    FogStart = internals_->fogStart;
    FogEnd = internals_->fogEnd;
    FogDensity = internals_->fogDensity;
}

void VgxGroup::SetSceneFogEnable(int32_t SceneFogEnable) { internals_->fogEnable = SceneFogEnable; }
int32_t VgxGroup::GetSceneFogEnable() const { return internals_->fogEnable; }

void VgxGroup::SetSceneBackgroundRGB(float Red, float Green, float Blue) {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    internals_->backgroundRed = Red;
    internals_->backgroundGreen = Green;
    internals_->backgroundBlue = Blue;
}

int32_t VgxGroup::AddObjectCustomField(const std::string& CustomFieldName) {
    return vgx::Trap(kSource, [&] { return internals_->objectFields.Add(CustomFieldName); });
}
void VgxGroup::ClearObjectCustomFields() { internals_->objectFields.Clear(); }
int32_t VgxGroup::GetObjectCustomFieldCount() const { return internals_->objectFields.Count(); }
std::string VgxGroup::GetObjectCustomFieldName(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return internals_->objectFields.Name(Index); });
}
int32_t VgxGroup::GetObjectCustomFieldID(const std::string& CustomFieldName) const {
    return internals_->objectFields.Find(CustomFieldName);
}

int32_t VgxGroup::AddMaterialCustomField(const std::string& CustomFieldName) {
    return vgx::Trap(kSource, [&] { return internals_->materialFields.Add(CustomFieldName); });
}
void VgxGroup::ClearMaterialCustomFields() { internals_->materialFields.Clear(); }
int32_t VgxGroup::GetMaterialCustomFieldCount() const { return internals_->materialFields.Count(); }
std::string VgxGroup::GetMaterialCustomFieldName(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return internals_->materialFields.Name(Index); });
}
int32_t VgxGroup::GetMaterialCustomFieldID(const std::string& CustomFieldName) const {
    return internals_->materialFields.Find(CustomFieldName);
}

int32_t VgxGroup::AddGroupCustomField(const std::string& CustomFieldName) {
    return vgx::Trap(kSource, [&] { return internals_->groupFields.Add(CustomFieldName); });
}
void VgxGroup::ClearGroupCustomFields() { internals_->groupFields.Clear(); }
int32_t VgxGroup::GetGroupCustomFieldCount() const { return internals_->groupFields.Count(); }
std::string VgxGroup::GetGroupCustomFieldName(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return internals_->groupFields.Name(Index); });
}
int32_t VgxGroup::GetGroupCustomFieldID(const std::string& CustomFieldName) const {
    return internals_->groupFields.Find(CustomFieldName);
}

// Unlike every other operation of the group, these two let their error reach the
// host with the source it was raised with.
void VgxGroup::SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue) {
    vgx::At(internals_->customFieldValues, FieldID) = FieldValue;
}
std::string VgxGroup::GetCustomFieldValue(int32_t FieldID) const {
    return vgx::At(internals_->customFieldValues, FieldID);
}
