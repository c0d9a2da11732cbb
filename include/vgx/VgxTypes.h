#pragma once
// Value records exchanged with the host. Field order is part of the interface.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "VgxEnums.h"

struct VgxVector {
    float X, Y, Z;
};

struct VgxVectorLong {
    int32_t X, Y, Z;
};

struct VgxVector4D {
    float X, Y, Z, w;
};

struct VgxQuaternion {
    float s;
    VgxVector V;
};

struct VgxUV {
    float U, V;
};

struct VgxVectorUV {
    VgxVector Vector;
    VgxUV UV;
};

struct VgxVector2UV {
    VgxVector Vector[2];
    VgxUV UV;
};

struct VgxBox {
    VgxVector Min, Max;
};

struct VgxRay {
    VgxVector Direction;
    VgxVector Position;
};

// The modelling settings every mesh object carries.
struct VgxAttributes {
    VgxObjectType ObjectType;
    VgxCurveType CurveType;
    int32_t CurvePoints;
    float CurveQuality;
    float CreasingFactor;
    int32_t SmoothingLevel;
    float SmoothingTension;
    VgxCondition SmoothingCondition;
    float SmoothingAngle;
    VgxAxis MirrorAxis;
    bool Locked;
    VgxVectorLong CloneNumber;
    VgxVector CloneOffset;
    VgxVector CloneRotate;
};

// The device material record: four r, g, b, a colours and the specular power.
struct D3DCOLORVALUE {
    float r, g, b, a;
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

// One parameter a material plug-in describes.
struct VgxParameter {
    std::string Title;
    VgxParameterType Type;
    float NumberMinimum;
    float NumberMaximum;
    int32_t NumberDecimalPlaces;
    std::vector<std::string> DropDownListEntries;
    float Default;
    float UserDefault;
    int32_t DataSinglesEntry;
    float Increment;
};

// One hit of a pick.
struct VgxPickDesc {
    int32_t hit;
    int32_t FaceID;
    float U, V;
    float dist;
    VgxVector Position;
};

// Records shared with the host and its plug-ins; the library does not interpret them.
struct VgxTreeOperationList {
    VgxTreeOperation Operation;
    std::string Node;
    std::string Child;
    std::string Name;
    int32_t Icon;
};

struct VgxSelection {
    VgxSelectionType SelectionType;
    int32_t ActiveMeshID;
    std::vector<int32_t> ActiveFaces;
    int32_t ActiveFacesCount;
    std::vector<int32_t> ActivePoints;
    int32_t ActivePointsCount;
    std::vector<int32_t> AffectedPoints;
    int32_t AffectedPointsCount;
    std::vector<int32_t> ActiveEdgesFaces;
    int32_t ActiveEdgesCount;
    std::vector<int32_t> ActiveEdgesPoints;
    VgxCoordinateMode CoordinateMode;
    std::array<float, 34> CoordinateData;
};

struct VgxApplicationState {
    VgxMode Mode;
    float ModeTime;
    VgxSnapToMode SnapToMode;
    float SnapToIntervalObject;
    float SnapToIntervalPoint;
    bool IsAnimating;
    bool IsSkeletalVisible;
    int32_t MaxUndoEntries;
    std::string VorlanVersionDescription;
    int32_t VorlanVersion;
    float BridgeToolRange;
};

// One animation key. dvK holds a position (X, Y, Z, unused) or a rotation
// quaternion as (x, y, z, w): vector part first, scalar part last.
struct VgxAnimationKey {
    std::array<float, 4> dvK;
    float dvTime;
    int32_t dwID;
    VgxAnimationKeyType dwKeyType;
    int32_t dwSize;
};

// A render vertex's identity: one corner's point, normal and UV pool indexes and
// its colour; NextFacePoint chains the keys of one point (1-based, 0 ends the chain).
struct FacePoint {
    int32_t Point;
    int32_t Normal;
    int32_t UV;
    int32_t Color;
    int32_t NextFacePoint;
};

// A list of vectors with one index per entry; the first VectorListCount entries
// are valid.
struct VgxHashVector {
    std::vector<VgxVector> VectorList;
    std::vector<int32_t> VectorIndex;
    int32_t VectorListCount;
};
