#include "base/frame_math.h"

#include <array>
#include <cmath>

#include "base/errors.h"
#include "base/mod_vector.h"

namespace vgx::rm {
namespace {

struct Vec {
    double x, y, z;
};

// A matrix in double, row by row, so a chain of products rounds only once.
using Mat = std::array<double, 16>;

Vec operator+(const Vec& a, const Vec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(const Vec& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(const Vec& a, const Vec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(const Vec& v) { return std::sqrt(Dot(v, v)); }
Vec Unit(const Vec& v) {
    double length = Length(v);
    return length == 0 ? Vec{0, 0, 0} : v * (1 / length);
}

Vec Widen(const VgxVector& v) { return {v.X, v.Y, v.Z}; }
VgxVector Narrow(const Vec& v) { return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }
Mat Widen(const VgxMatrix& m) {
    Mat d;
    for (int i = 0; i < 16; ++i) d[i] = m.m[i];
    return d;
}
VgxMatrix Narrow(const Mat& d) {
    VgxMatrix m;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(d[i]);
    return m;
}

Vec Row(const Mat& m, int r) { return {m[4 * r], m[4 * r + 1], m[4 * r + 2]}; }
void SetRow(Mat& m, int r, const Vec& v) {
    m[4 * r] = v.x;
    m[4 * r + 1] = v.y;
    m[4 * r + 2] = v.z;
}

Mat Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

// The affine matrix with these axis rows and origin.
Mat Frame(const Vec& x, const Vec& y, const Vec& z, const Vec& origin) {
    return {x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, origin.x, origin.y, origin.z, 1};
}

Mat Multiply(const Mat& a, const Mat& b) {
    Mat r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[4 * i + j] =
                a[4 * i] * b[j] + a[4 * i + 1] * b[4 + j] + a[4 * i + 2] * b[8 + j] + a[4 * i + 3] * b[12 + j];
        }
    }
    return r;
}

// p' = p A + t is undone by p = p' A^-1 - t A^-1.
Mat InverseAffine(const Mat& m) {
    const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], k = m[10];
    const double c00 = e * k - f * h, c01 = f * g - d * k, c02 = d * h - e * g;
    const double inv = 1 / (a * c00 + b * c01 + c * c02);
    Mat r = Frame({c00 * inv, (c * h - b * k) * inv, (b * f - c * e) * inv},
                  {c01 * inv, (a * k - c * g) * inv, (c * d - a * f) * inv},
                  {c02 * inv, (b * g - a * h) * inv, (a * e - b * d) * inv}, {0, 0, 0});
    Vec t = Row(m, 3);
    SetRow(r, 3, (Row(r, 0) * t.x + Row(r, 1) * t.y + Row(r, 2) * t.z) * -1);
    return r;
}

Vec Point(const Vec& p, const Mat& m) { return Row(m, 0) * p.x + Row(m, 1) * p.y + Row(m, 2) * p.z + Row(m, 3); }

// Row i is the image of axis i: e cos t - (a x e) sin t + a (a . e)(1 - cos t).
Mat Rotation(const Vec& axis, double theta) {
    Vec a = Unit(axis);
    if (Length(a) == 0) return Identity();
    double c = std::cos(theta), s = std::sin(theta), t = 1 - c;
    return Frame({c + a.x * a.x * t, a.x * a.y * t - a.z * s, a.x * a.z * t + a.y * s},
                 {a.y * a.x * t + a.z * s, c + a.y * a.y * t, a.y * a.z * t - a.x * s},
                 {a.z * a.x * t - a.y * s, a.z * a.y * t + a.x * s, c + a.z * a.z * t}, {0, 0, 0});
}

Mat FromQuaternion(const VgxQuaternion& q) {
    double w = q.s, x = q.V.X, y = q.V.Y, z = q.V.Z;
    double norm = std::sqrt(w * w + x * x + y * y + z * z);
    if (norm == 0) Raise(VgxErrInvalidCall);
    w /= norm, x /= norm, y /= norm, z /= norm;
    return Frame({1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                 {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                 {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}, {0, 0, 0});
}

// Frame a expressed in frame b: a x b^-1. With b the parent it is the local transform.
Mat Relative(const VgxMatrix& a, const VgxMatrix& b) { return Multiply(Widen(a), InverseAffine(Widen(b))); }

Mat Translation(const Vec& t) { return Frame({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, t); }

Mat Combine(const Mat& local, const Mat& x, VgxCombineType combine) {
    switch (combine) {
        case VgxCombineReplace: return x;
        case VgxCombineBefore: return Multiply(x, local);
        case VgxCombineAfter: return Multiply(local, x);
    }
    Raise(VgxErrInvalidCall);
}

// The new local transform whose rotation, relative to ref, is `basis` (rows are
// the axes in ref's frame) and whose origin stays where it is in the parent.
VgxMatrix PlaceRotation(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent, const Mat& basis) {
    Mat local = Multiply(Multiply(basis, Widen(ref)), InverseAffine(Widen(parent)));
    SetRow(local, 3, Row(Relative(self, parent), 3));
    return Narrow(local);
}

void TransformAll(const Mat& m, std::span<const VgxVector> source, std::span<VgxVector> result) {
    for (size_t i = 0; i < source.size(); ++i) result[i] = Narrow(Point(Widen(source[i]), m));
}

// Sines of angles below this are rounding noise of float inputs: the directions
// count as parallel.
constexpr double kParallel = 1e-6;

}  // namespace

VgxMatrix MatrixIdentity() { return Narrow(Identity()); }
VgxMatrix MatrixMultiply(const VgxMatrix& a, const VgxMatrix& b) { return Narrow(Multiply(Widen(a), Widen(b))); }
MatrixProduct::MatrixProduct(const VgxMatrix& first) : m_(Widen(first)) {}
void MatrixProduct::Append(const VgxMatrix& next) { m_ = Multiply(m_, Widen(next)); }
VgxMatrix MatrixProduct::Result() const { return Narrow(m_); }

VgxMatrix MatrixInverseAffine(const VgxMatrix& m) { return Narrow(InverseAffine(Widen(m))); }
VgxMatrix MatrixTranslation(const VgxVector& t) { return Narrow(Translation(Widen(t))); }
VgxMatrix MatrixRotation(const VgxVector& axis, float theta) { return Narrow(Rotation(Widen(axis), theta)); }
VgxMatrix MatrixFromQuaternion(const VgxQuaternion& q) { return Narrow(FromQuaternion(q)); }

VgxQuaternion QuaternionFromMatrix(const VgxMatrix& matrix) {
    const float* m = matrix.m;
    double trace = m[0] + m[5] + m[10];
    double w, x, y, z;
    if (trace > 0) {
        w = std::sqrt(1 + trace) / 2;
        x = (m[9] - m[6]) / (4 * w), y = (m[2] - m[8]) / (4 * w), z = (m[4] - m[1]) / (4 * w);
    } else if (m[0] >= m[5] && m[0] >= m[10]) {
        x = std::sqrt(1 + m[0] - m[5] - m[10]) / 2;
        w = (m[9] - m[6]) / (4 * x), y = (m[1] + m[4]) / (4 * x), z = (m[2] + m[8]) / (4 * x);
    } else if (m[5] >= m[10]) {
        y = std::sqrt(1 + m[5] - m[0] - m[10]) / 2;
        w = (m[2] - m[8]) / (4 * y), x = (m[1] + m[4]) / (4 * y), z = (m[6] + m[9]) / (4 * y);
    } else {
        z = std::sqrt(1 + m[10] - m[0] - m[5]) / 2;
        w = (m[4] - m[1]) / (4 * z), x = (m[2] + m[8]) / (4 * z), y = (m[6] + m[9]) / (4 * z);
    }
    double k = (w < 0 ? -1 : 1) / std::sqrt(w * w + x * x + y * y + z * z);
    return {static_cast<float>(w * k), Narrow(Vec{x, y, z} * k)};
}

VgxVector TransformPoint(const VgxVector& p, const VgxMatrix& m) { return Narrow(Point(Widen(p), Widen(m))); }

void MatrixDecompose(const VgxMatrix& matrix, VgxVector& position, VgxVector& dir, VgxVector& up) {
    Mat m = Widen(matrix);
    position = Narrow(Row(m, 3));
    dir = Narrow(Unit(Row(m, 2)));
    up = Narrow(Unit(Row(m, 1)));
}

VgxVector FrameGetPosition(const VgxMatrix& self, const VgxMatrix& ref) { return Narrow(Row(Relative(self, ref), 3)); }

void FrameGetOrientation(const VgxMatrix& self, const VgxMatrix& ref, VgxVector& dir, VgxVector& up) {
    VgxVector position;
    MatrixDecompose(FrameGetTransform(self, ref), position, dir, up);
}

VgxMatrix FrameGetTransform(const VgxMatrix& self, const VgxMatrix& ref) { return Narrow(Relative(self, ref)); }

VgxMatrix FrameAddRotation(const VgxMatrix& self, const VgxMatrix& parent, VgxCombineType combine,
                           const VgxVector& axis, float theta) {
    return Narrow(Combine(Relative(self, parent), Rotation(Widen(axis), theta), combine));
}

VgxMatrix FrameAddTranslation(const VgxMatrix& self, const VgxMatrix& parent, VgxCombineType combine,
                              const VgxVector& translation) {
    return Narrow(Combine(Relative(self, parent), Translation(Widen(translation)), combine));
}

VgxMatrix FrameSetPosition(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                           const VgxVector& position) {
    Mat local = Relative(self, parent);
    SetRow(local, 3, Point(Point(Widen(position), Widen(ref)), InverseAffine(Widen(parent))));
    return Narrow(local);
}

VgxMatrix FrameSetOrientation(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                              const VgxVector& dir, const VgxVector& up) {
    Vec z = Unit(Widen(dir));
    Vec side = Cross(Unit(Widen(up)), z);
    if (Length(side) < kParallel) Raise(VgxErrInvalidCall);  // zero Dir or Up, or the two parallel
    Vec x = Unit(side);
    return PlaceRotation(self, ref, parent, Frame(x, Cross(z, x), z, {0, 0, 0}));
}

VgxMatrix FrameSetQuaternion(const VgxMatrix& self, const VgxMatrix& ref, const VgxMatrix& parent,
                             const VgxQuaternion& q) {
    return PlaceRotation(self, ref, parent, FromQuaternion(q));
}

VgxVector FrameTransform(const VgxMatrix& self, const VgxVector& source) { return TransformPoint(source, self); }

VgxVector FrameInverseTransform(const VgxMatrix& self, const VgxVector& source) {
    return Narrow(Point(Widen(source), InverseAffine(Widen(self))));
}

void FrameTransformVectors(const VgxMatrix& self, const VgxMatrix& ref, std::span<const VgxVector> source,
                           std::span<VgxVector> result) {
    TransformAll(Relative(self, ref), source, result);
}

void FrameInverseTransformVectors(const VgxMatrix& self, const VgxMatrix& ref, std::span<const VgxVector> source,
                                  std::span<VgxVector> result) {
    TransformAll(Relative(ref, self), source, result);
}

VgxMatrix FrameLookAt(const VgxMatrix& self, const VgxMatrix& target, const VgxMatrix& parent,
                      VgxGroupConstraint constraint) {
    Mat local = Relative(self, parent);
    Vec origin = Row(local, 3);
    Vec aimPoint = Point(Row(Widen(target), 3), InverseAffine(Widen(parent)));
    if (modVector::VectorsEqual(Narrow(aimPoint), Narrow(origin))) Raise(VgxErrInvalidCall);
    Vec toward = aimPoint - origin;
    const double distance = Length(toward);
    Vec x = Unit(Row(local, 0)), y = Unit(Row(local, 1)), z = Unit(Row(local, 2));
    switch (constraint) {
        case VgxConstrainZ: {
            Vec aim = toward * (1 / distance);
            Vec axis = Cross(aim, z);  // VectorRotate's sense carries z onto aim about aim x z
            double sine = Length(axis), cosine = Dot(z, aim);
            if (sine < kParallel) axis = cosine > 0 ? Vec{0, 0, 0} : x;
            Mat turned = Multiply(local, Rotation(axis, std::atan2(sine, cosine)));
            SetRow(turned, 3, origin);
            return Narrow(turned);
        }
        case VgxConstrainY: {
            Vec flat = toward - y * Dot(y, toward);
            if (Length(flat) < kParallel * distance) Raise(VgxErrInvalidCall);
            z = Unit(flat);
            return Narrow(Frame(Cross(y, z), y, z, origin));
        }
        case VgxConstrainX: {
            Vec flat = toward - x * Dot(x, toward);
            if (Length(flat) < kParallel * distance) Raise(VgxErrInvalidCall);
            z = Unit(flat);
            return Narrow(Frame(x, Cross(z, x), z, origin));
        }
    }
    Raise(VgxErrInvalidCall);
}

VgxMatrix FrameApplyRotation(const VgxMatrix& self, const VgxMatrix& parent, const VgxVector& axis, float theta,
                             float delta) {
    return Narrow(Multiply(Rotation(Widen(axis), static_cast<double>(theta) * delta), Relative(self, parent)));
}

}  // namespace vgx::rm
