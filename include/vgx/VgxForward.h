#pragma once
// Forward declarations of the public classes.
class Vgx;
class VgxObject;
class VgxGroup;
class VgxFace;
class VgxFaceArray;
class VgxGroupArray;
class VgxObjectArray;
class VgxLightArray;
class VgxPickArray;
class VgxMaterial;
class VgxLight;
class VgxTexture;
class PluginMaterial;

// The library's factories construct every public class through this one friend.
struct VgxFactory;
