// VgxObject's attributes: stored for the host and the modelling operations.
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "base/finite.h"
#include "object/object_internal.h"

namespace {

constexpr std::string_view kSource = "VgxObject";
constexpr int32_t kFillBits = VgxFillWireframe | VgxFillSolid | VgxFillPoints | VgxFillOutline | VgxFillCartoon;

// Stores a value whose change invalidates the render data.
template <class T>
void SetAndInvalidate(vgx::ObjectState& self, T& field, T value) {
    if (field == value) return;
    field = value;
    self.changes.StructureChanged(vgx::Changed::kPoolValues);
}

}  // namespace

std::string VgxObject::GetName() const { return internals_->name; }
void VgxObject::SetName(const std::string& Name) { internals_->name = Name; }
int32_t VgxObject::GetAppData() const { return internals_->appData; }
void VgxObject::SetAppData(int32_t Data) { internals_->appData = Data; }
void VgxObject::Enable(int32_t Flags) { internals_->enableFlags = Flags; }
int32_t VgxObject::GetEnable() const { return internals_->enableFlags; }

void VgxObject::SetQuality(int32_t Quality) {
    if ((internals_->quality & kFillBits) != (Quality & kFillBits)) {
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    }
    internals_->quality = Quality;
}
int32_t VgxObject::GetQuality() const { return internals_->quality; }

void VgxObject::SetSmoothingLevel(int32_t Level) {
    SetAndInvalidate(*internals_, internals_->attributes.SmoothingLevel, Level);
}
int32_t VgxObject::GetSmoothingLevel() const { return internals_->attributes.SmoothingLevel; }
void VgxObject::SetSmoothingTension(float Tension) {
    vgx::RequireFinite(kSource, Tension);
    SetAndInvalidate(*internals_, internals_->attributes.SmoothingTension, Tension);
}
float VgxObject::GetSmoothingTension() const { return internals_->attributes.SmoothingTension; }
void VgxObject::SetSmoothingCondition(VgxCondition Condition) {
    SetAndInvalidate(*internals_, internals_->attributes.SmoothingCondition, Condition);
}
VgxCondition VgxObject::GetSmoothingCondition() const { return internals_->attributes.SmoothingCondition; }
void VgxObject::SetSmoothingAngle(float Angle) {
    vgx::RequireFinite(kSource, Angle);
    SetAndInvalidate(*internals_, internals_->attributes.SmoothingAngle, Angle);
}
float VgxObject::GetSmoothingAngle() const { return internals_->attributes.SmoothingAngle; }
void VgxObject::SetMirrorAxis(VgxAxis Axis) { SetAndInvalidate(*internals_, internals_->attributes.MirrorAxis, Axis); }
VgxAxis VgxObject::GetMirrorAxis() const { return internals_->attributes.MirrorAxis; }

void VgxObject::SetCreasingFactor(float Factor) {
    vgx::RequireFinite(kSource, Factor);
    internals_->attributes.CreasingFactor = Factor;
    internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
}
float VgxObject::GetCreasingFactor() const { return internals_->attributes.CreasingFactor; }

void VgxObject::SetCurvePoints(int32_t CurvePoints) { internals_->attributes.CurvePoints = CurvePoints; }
int32_t VgxObject::GetCurvePoints() const { return internals_->attributes.CurvePoints; }
void VgxObject::SetCurveType(VgxCurveType CurveType) { internals_->attributes.CurveType = CurveType; }
VgxCurveType VgxObject::GetCurveType() const { return internals_->attributes.CurveType; }
void VgxObject::SetCurveQuality(float CurveQuality) {
    vgx::RequireFinite(kSource, CurveQuality);
    internals_->attributes.CurveQuality = CurveQuality;
}
float VgxObject::GetCurveQuality() const { return internals_->attributes.CurveQuality; }
void VgxObject::SetObjectType(VgxObjectType ObjectType) { internals_->attributes.ObjectType = ObjectType; }
VgxObjectType VgxObject::GetObjectType() const { return internals_->attributes.ObjectType; }
void VgxObject::SetLocked(bool Locked) { internals_->attributes.Locked = Locked; }
bool VgxObject::GetLocked() const { return internals_->attributes.Locked; }

void VgxObject::SetCloneOptions(const VgxVectorLong& CloneNumber, const VgxVector& CloneOffset,
                                const VgxVector& CloneRotate) {
    vgx::RequireFinite(kSource, CloneOffset, CloneRotate);
    VgxAttributes& a = internals_->attributes;
    a.CloneNumber = CloneNumber;
    a.CloneOffset = CloneOffset;
    a.CloneRotate = CloneRotate;
}

void VgxObject::GetCloneOptions(VgxVectorLong& CloneNumber, VgxVector& CloneOffset, VgxVector& CloneRotate) const {
    const VgxAttributes& a = internals_->attributes;
    CloneNumber = a.CloneNumber;
    CloneOffset = a.CloneOffset;
    CloneRotate = a.CloneRotate;
}

void VgxObject::SetOperationControl(VgxOperationControlType Type) { internals_->operationControl = Type; }
VgxOperationControlType VgxObject::GetOperationControl() const { return internals_->operationControl; }
void VgxObject::SetOperationControlDirectional(bool Directional) {
    internals_->operationControlDirectional = Directional;
}
bool VgxObject::GetOperationControlDirectional() const { return internals_->operationControlDirectional; }
void VgxObject::SetOperationControlPosition(const VgxVector& Position) {
    vgx::RequireFinite(kSource, Position);
    internals_->operationControlPosition = Position;
}
void VgxObject::GetOperationControlPosition(VgxVector& Position) const {
    Position = internals_->operationControlPosition;
}
void VgxObject::SetOperationControlSize(const VgxVector& Size) {
    vgx::RequireFinite(kSource, Size);
    internals_->operationControlSize = Size;
}
void VgxObject::GetOperationControlSize(VgxVector& Size) const { Size = internals_->operationControlSize; }
void VgxObject::SetOperationControlOrientation(const VgxVector& Dir, const VgxVector& Up) {
    vgx::RequireFinite(kSource, Dir, Up);
    internals_->operationControlDir = Dir;
    internals_->operationControlUp = Up;
}
void VgxObject::GetOperationControlOrientation(VgxVector& Dir, VgxVector& Up) const {
    Dir = internals_->operationControlDir;
    Up = internals_->operationControlUp;
}
void VgxObject::SetRenderShadow(bool RenderShadow) { internals_->renderShadow = RenderShadow; }
bool VgxObject::GetRenderShadow() const { return internals_->renderShadow; }
void VgxObject::SetMaintainAdjacency(bool /*MaintainAdjacency*/) {}
bool VgxObject::GetMaintainAdjacency() const { return false; }

void VgxObject::SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue) {
    vgx::At(internals_->customFields, FieldID) = FieldValue;
}
std::string VgxObject::GetCustomFieldValue(int32_t FieldID) const { return vgx::At(internals_->customFields, FieldID); }
