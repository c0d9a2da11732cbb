#pragma once
// Matrices of coordinate frames and the frame operations of the retained-mode
// component. Matrices are 16 floats row by row, points are row vectors (p' = p x M),
// the translation is the fourth row. Every function computes in double and rounds
// its result once.
//
// Rotation sense: R(a, t) turns v into v cos t - (a x v) sin t + a (a . v)(1 - cos t),
// the sense of VectorRotate; about +Y it turns +X towards +Z. The quaternion
// (cos t/2, a sin t/2) stands for the same R(a, t).
//
// Frame operations take world matrices: W(self), and W(ref) of the frame a
// placement is expressed in, and W(parent) where they return a new local transform
// L' (such that W(self)' = L' x W(parent)). The current local transform is
// W(self) x W(parent)^-1. Bad arguments raise 5 before anything is returned.
#include <vgx/VgxDevice.h>
#include <vgx/VgxEnums.h>
#include <vgx/VgxTypes.h>

#include <array>
#include <span>

namespace vgx::rm {

VgxMatrix MatrixIdentity();
// a x b: a acts first.
VgxMatrix MatrixMultiply(const VgxMatrix& a, const VgxMatrix& b);
// A running product a x b x c ... kept in double and rounded once when read.
class MatrixProduct {
public:
    explicit MatrixProduct(const VgxMatrix& first);
    // Multiplies the product so far by `next` on the right.
    void Append(const VgxMatrix& next);
    VgxMatrix Result() const;

private:
    std::array<double, 16> m_;
};
// Inverse of an affine matrix (fourth column 0, 0, 0, 1) whose 3x3 part is invertible,
// as every matrix the library builds is.
VgxMatrix MatrixInverseAffine(const VgxMatrix& m);
VgxMatrix MatrixTranslation(const VgxVector& t);
// R(axis, theta) about the unit axis; a zero axis turns nothing (the identity).
VgxMatrix MatrixRotation(const VgxVector& axis, float theta);
// The rotation of q scaled to unit length; 5 for the zero quaternion.
VgxMatrix MatrixFromQuaternion(const VgxQuaternion& q);
// The unit quaternion, scalar part >= 0, of the rotation part of m (orthonormal rows).
VgxQuaternion QuaternionFromMatrix(const VgxMatrix& m);
// p x m with w = 1.
VgxVector TransformPoint(const VgxVector& p, const VgxMatrix& m);
// The frame's origin (fourth row) and its unit z (Dir) and y (Up) axes.
void MatrixDecompose(const VgxMatrix& m, VgxVector& position, VgxVector& dir, VgxVector& up);

// Frame queries.
VgxVector FrameGetPosition(const VgxMatrix& self, const VgxMatrix& ref);
void FrameGetOrientation(const VgxMatrix& self, const VgxMatrix& ref, VgxVector& dir, VgxVector& up);
// W(self) x W(ref)^-1.
VgxMatrix FrameGetTransform(const VgxMatrix& self, const VgxMatrix& ref);

// Combine R(axis, theta) or T(translation) with the local transform; 5 for an
// unknown combine type.
VgxMatrix FrameAddRotation(const VgxMatrix& self, const VgxMatrix& parent, VgxCombineType combine,
                           const VgxVector& axis, float theta);
VgxMatrix FrameAddTranslation(const VgxMatrix& self, const VgxMatrix& parent, VgxCombineType combine,
                              const VgxVector& translation);

// The origin moves to `position` in ref's frame; the rotation part is kept.
VgxMatrix FrameSetPosition(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                           const VgxVector& position);
// z along dir, y along up made perpendicular to dir, both in ref's frame; the origin
// stays. 5 for a zero dir or up or for parallel ones.
VgxMatrix FrameSetOrientation(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                              const VgxVector& dir, const VgxVector& up);
// Orientation relative to ref becomes q (scaled to unit length); the origin stays.
// 5 for the zero quaternion.
VgxMatrix FrameSetQuaternion(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                             const VgxQuaternion& q);

// Point conversions: p x W(self), p x W(self)^-1.
VgxVector FrameTransform(const VgxMatrix& self, const VgxVector& source);
VgxVector FrameInverseTransform(const VgxMatrix& self, const VgxVector& source);
// Each v of `source` as v x W(self) x W(ref)^-1 into `result` (same length).
void FrameTransformVectors(const VgxMatrix& self, const VgxMatrix& ref, std::span<const VgxVector> source,
                           std::span<VgxVector> result);
// Each v of `source` as v x W(ref) x W(self)^-1 into `result` (same length).
void FrameInverseTransformVectors(const VgxMatrix& self, const VgxMatrix& ref, std::span<const VgxVector> source,
                                  std::span<VgxVector> result);

// Turns the frame about its origin so that its z axis points at the origin of
// `target`:
//   VgxConstrainZ: by the smallest turn that carries z there (a half turn about the
//                  frame's x axis when the target lies straight behind);
//   VgxConstrainY: about the frame's own y axis only, aiming z at the target's
//                  projection onto the frame's xz plane;
//   VgxConstrainX: about the frame's own x axis only, projecting onto its yz plane.
// 5 when the target's origin equals this one's (within 0.0001 per component), when
// the held axis points straight at the target, or for an unknown constraint.
VgxMatrix FrameLookAt(const VgxMatrix& self, const VgxMatrix& target, const VgxMatrix& parent,
                      VgxGroupConstraint constraint);

// Spins the frame by theta x delta about `axis` taken in its own frame (it turns in
// place about its own origin): R x L.
VgxMatrix FrameApplyRotation(const VgxMatrix& self, const VgxMatrix& parent, const VgxVector& axis, float theta,
                             float delta);

}  // namespace vgx::rm
