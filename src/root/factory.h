#pragma once
// Constructs the public classes, whose constructors are private to the library.
#include <cstdint>
#include <memory>

#include <vgx/VgxForward.h>

struct VgxFactory {
    template <class T>
    static std::shared_ptr<T> Make() {
        return std::shared_ptr<T>(new T());
    }
    static void SetObjectID(VgxObject& object, int32_t id);
    static void SetRoot(VgxLight& light, const std::shared_ptr<Vgx>& root);
    static void Bind(VgxFaceArray& faces, const std::shared_ptr<Vgx>& root, const std::shared_ptr<VgxObject>& object);
};
