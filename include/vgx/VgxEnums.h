#pragma once
// Enumerations of the public interface, with their fixed values.
#include <cstdint>

enum VgxLightType : int32_t {
    VgxLightAmbient = 0,
    VgxLightPoint = 1,
    VgxLightSpot = 2,
    VgxLightDirectional = 3,
    VgxLightArea = 4,
};

enum VgxParameterType : int32_t {
    VgxComment = 0,
    VgxDropDownList = 1,
    VgxCheckbox = 2,
    VgxSlider = 3,
    VgxNumber = 4,
    VgxOperationControl = 5,
    VgxOperationControlDirectional = 6,
    VgxColor = 7,
};

enum VgxFogMode : int32_t {
    VgxFogLinear = 0,
    VgxFogExponential = 1,
    VgxFogExponentialSquared = 2,
};

// Icons of the modal message box the library shows for warnings.
enum VgxMessageBoxStyle : int32_t {
    VgxMessageCritical = 16,
    VgxMessageQuestion = 32,
    VgxMessageExclamation = 48,
    VgxMessageInformation = 64,
};

// The vocabulary the host and its plug-ins share; the library stores none of these.
enum VgxSnapToMode : int32_t {
    VgxSnapToNever = 0,
    VgxSnapToEdges = 1,
    VgxSnapToCenters = 2,
};

enum VgxSelectionType : int32_t {
    VgxSelectObject = 0,
    VgxSelectFace = 1,
    VgxSelectPoint = 2,
    VgxSelectEdge = 3,
};

enum VgxCoordinateMode : int32_t {
    VgxCoordinateStandard = 0,
    VgxCoordinateScreen = 1,
    VgxCoordinateWorld = 2,
    VgxCoordinateObject = 3,
    VgxCoordinateNormal = 4,
};

enum VgxAutoProcessing : int32_t {
    VgxAutoProcessingNone = 0,
    VgxAutoProcessingNormals = 1,
};

enum VgxLayerClass : int32_t {
    VgxSource = 0,
    VgxOperationSystem = 1,
    VgxOperationCompact = 2,
    VgxOperationDetail = 3,
    VgxOperationDeform = 4,
    VgxOperationMaterial = 5,
    VgxOperationEffect = 6,
};

enum VgxPluginClass : int32_t {
    VgxPluginUnclassified = 0,
    VgxPluginTrainSimulator = 1,
    VgxPluginObjectBuilder = 2,
    VgxPluginMaterial = 3,
    VgxPluginInformation = 4,
};

enum VgxPluginImportExportClass : int32_t {
    VgxPluginImportExportUnclassified = 0,
    VgxPluginImportExportTrainSimulator = 1,
};

enum VgxOperationApplyMode : int32_t {
    VgxOperationApplyCreate = 0,
    VgxOperationApplyReapply = 1,
    VgxOperationApplyUpdate = 2,
    VgxOperationApplyMove = 3,
    VgxOperationApplyScale = 4,
    VgxOperationApplyRotate = 5,
};

enum VgxErrorHandlerResponse : int32_t {
    VgxResume = 0,
    VgxResumeNext = 1,
    VgxExitSub = 2,
    VgxUnrecoverable = 3,
    VgxUnrecognized = 4,
};

enum VgxProjectionType : int32_t {
    VgxPerspective = 0,
    VgxOrthographic = 1,
    VgxRightHandOrthographic = 3,
};

enum VgxTextureQuality : int32_t {
    VgxTextureNearest = 0,
    VgxTextureLinear = 1,
    VgxTextureAnisotropic = 2,
};

enum VgxCull : int32_t {
    VgxCullNone = 1,
    VgxCullCW = 2,
    VgxCullCCW = 3,
};

enum VgxInterpolationOptions : int32_t {
    VgxInterpolationOpen = 1,
    VgxInterpolationClosed = 2,
    VgxInterpolationNearest = 256,
    VgxInterpolationLinear = 4,
    VgxInterpolationSpline = 8,
    VgxInterpolationVertexColor = 64,
    VgxInterpolationSlerpNormals = 128,
};

enum VgxMode : int32_t {
    VgxModel = 0,
    VgxAnimation = 1,
};

// Scoped: its constant VgxObject would clash with the mesh class.
enum class VgxFileType : int32_t {
    VgxScene = 0,
    VgxObjectLibrary = 1,
    VgxLathe = 2,
    VgxExtrude = 3,
    VgxSurface = 4,
    VgxText = 5,
    VgxClipboard = 6,
    VgxObject = 7,
    VgxImport = 8,
    VgxCube = 9,
    VgxCylinder = 10,
    VgxSphere = 11,
    VgxTorus = 12,
    VgxCone = 13,
    VgxUnknown = 14,
    VgxScript = 15,
    VgxHeightMap = 16,
    VgxPatchFile = 17,
};

enum VgxMeshSubType : int32_t {
    VgxMeshStandard = 0,
    VgxMeshSkin = 1,
    VgxMeshPlaceholder = 3,
};

enum VgxXOptions : int32_t {
    VgxXOFBinary = 0,
    VgxXOFSaveAll = 15,
    VgxXOFSaveTextureTopology = 32,
};

enum VgxUnits : int32_t {
    VgxMeters = 0,
    VgxCentimeters = 1,
    VgxFeet = 2,
};

enum VgxTreeOperation : int32_t {
    VgxTreeAdd = 0,
    VgxTreeRemove = 1,
    VgxTreeSetParent = 2,
    VgxTreeSetName = 3,
    VgxTreeSetIcon = 4,
};

enum VgxRelationship : int32_t {
    VgxParent = 0,
    VgxOwner = 1,
    VgxSibling = 2,
};

enum VgxEntityType : int32_t {
    VgxENoEntity = 0,
    VgxEFrame = 10,
    VgxEObject = 11,
    VgxEFace = 12,
    VgxETexture = 13,
    VgxEAnimation = 14,
    VgxEObjectAlternate = 15,
    VgxEBone = 16,
    VgxESkin = 17,
    VgxEPlaceholder = 18,
    VgxEObjectFrameLink = 20,
    VgxEHandleFrame = 21,
    VgxEHandleBoundingBox = 0,
    VgxEHandleManipulation = 22,
    VgxEFaceHandle = 0,
    VgxEVertexHandle = 24,
    VgxEHandleSmart = 30,
    VgxECurvedSurface = 40,
    VgxEScaleGrid = 90,
    VgxELight = 60,
    VgxELightAmbient = 60,
    VgxELightPoint = 61,
    VgxELightSpot = 62,
    VgxELightDirectional = 63,
    VgxELightParallelPoint = 64,
    VgxECamera = 80,
};

enum VgxCoordinateData : int32_t {
    VgxWorldDirX = 0,
    VgxWorldDirY,
    VgxWorldDirZ,
    VgxWorldUpX,
    VgxWorldUpY,
    VgxWorldUpZ,
    VgxScreenAffectDirX,
    VgxScreenAffectDirY,
    VgxScreenAffectDirZ,
    VgxScreenAffectUpX,
    VgxScreenAffectUpY,
    VgxScreenAffectUpZ,
    VgxScreenAffectXDirX,
    VgxScreenAffectXDirY,
    VgxScreenAffectXDirZ,
    VgxWorldAffectDirX,
    VgxWorldAffectDirY,
    VgxWorldAffectDirZ,
    VgxWorldAffectUpX,
    VgxWorldAffectUpY,
    VgxWorldAffectUpZ,
    VgxWorldAffectXDirX,
    VgxWorldAffectXDirY,
    VgxWorldAffectXDirZ,
    VgxObjectAffectDirX,
    VgxObjectAffectDirY,
    VgxObjectAffectDirZ,
    VgxObjectAffectUpX,
    VgxObjectAffectUpY,
    VgxObjectAffectUpZ,
    VgxObjectAffectXDirX,
    VgxObjectAffectXDirY,
    VgxObjectAffectXDirZ,
};

// Mesh object settings.
enum VgxObjectType : int32_t {
    VgxMesh = 0,
    VgxPatch = 1,
};

enum VgxCurveType : int32_t {
    VgxBezier = 0,
    VgxNSpline = 1,
    VgxNURBS = 2,
};

enum VgxCondition : int32_t {
    VgxGreaterThan = 0,
    VgxLessThan = 1,
};

// Projections of VgxObject::ApplyWrap.
enum VgxWrapType : int32_t {
    VgxWrapFlat = 0,
    VgxWrapCylinder = 1,
    VgxWrapSphere = 2,
    VgxWrapChrome = 3,
};

enum VgxAxis : int32_t {
    VgxAxisNone = 0,
    VgxAxisX = 1,
    VgxAxisY = 2,
    VgxAxisZ = 3,
};

enum VgxObjectEnable : int32_t {
    VgxObjectRenderEnable = 1,
    VgxObjectPickEnable = 2,
};

enum VgxOperationControlType : int32_t {
    VgxOperationControlNone = 0,
    VgxOperationControlCube = 1,
    VgxOperationControlCylinder = 2,
    VgxOperationControlSphere = 3,
};

// The render quality Long: shade mode in bits 0-2, light mode in bits 3-5, fill
// mode in bits 6-10.
enum VgxShadeMode : int32_t {
    VgxShadeFlat = 0,
    VgxShadeGouraud = 1,
    VgxShadePhong = 2,
    VgxShadeMask = 7,
};

enum VgxLightMode : int32_t {
    VgxLightOFF = 0,
    VgxLightON = 8,
    VgxLightMASK = 56,
};

enum VgxFillMode : int32_t {
    VgxFillWireframe = 64,
    VgxFillSolid = 128,
    VgxFillPoints = 256,
    VgxFillOutline = 512,
    VgxFillCartoon = 1024,
};

// How AddRotation and AddTranslation combine their matrix X with the local transform L.
enum VgxCombineType : int32_t {
    VgxCombineReplace = 0,  // X
    VgxCombineBefore = 1,   // X x L: X acts first, in the group's own frame
    VgxCombineAfter = 2,    // L x X: X acts last, in the parent's frame
};

// Which axis LookAt aims exactly (Z) or holds fixed while it turns (Y, X).
enum VgxGroupConstraint : int32_t {
    VgxConstrainZ = 0,
    VgxConstrainY = 1,
    VgxConstrainX = 2,
};

// A key whose type is not VgxAnimationPositionKey is a rotation key.
enum VgxAnimationKeyType : int32_t {
    VgxAnimationRotateKey = 1,
    VgxAnimationPositionKey = 3,
};

// Flags of a group's animation options word.
enum VgxAnimationOptions : int32_t {
    VgxAnimationOpen = 1,
    VgxAnimationClosed = 2,              // neighbour keys wrap around the ends
    VgxAnimationLinearPosition = 4,      // stored only: positions always follow the spline
    VgxAnimationSplinePosition = 8,      // stored only
    VgxAnimationScaleAndRotation = 16,   // SetAnimationTime applies the rotation keys
    VgxAnimationPosition = 32,           // SetAnimationTime applies the position keys
};
