#pragma once
// Record constructors that need no instance.
#include "VgxTypes.h"

struct VgxFunctions {
    static VgxUV VgxMakeUV(float U, float V) { return VgxUV{U, V}; }
    static VgxVector VgxMakeVector(float X, float Y, float Z) { return VgxVector{X, Y, Z}; }
};

// Declared for hosts that share the vocabulary; nothing creates it.
class VgxData {
public:
    VgxData() = delete;
};
