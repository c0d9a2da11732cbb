#pragma once
// The library-wide state: one per calling thread, created by the first scene root
// and kept while the thread lives.
#include <cstdint>
#include <memory>
#include <vector>

#include <vgx/VgxDevice.h>
#include <vgx/VgxForward.h>

namespace vgx {

template <class T>
using Registry = std::vector<std::shared_ptr<T>>;

// One reference to every live library object, per kind, in order of registration.
struct Registries {
    Registry<VgxGroup> groups;
    Registry<VgxObject> objects;
    Registry<VgxGroupArray> groupArrays;
    Registry<VgxObjectArray> objectArrays;
    Registry<VgxPickArray> pickArrays;
    Registry<VgxFaceArray> faceArrays;
    Registry<VgxLight> lights;
    Registry<VgxLightArray> lightArrays;
    Registry<VgxTexture> textures;
    Registry<VgxMaterial> materials;
};

struct LibraryState {
    LibraryState() = default;
    LibraryState(const LibraryState&) = delete;
    LibraryState& operator=(const LibraryState&) = delete;
    // Breaks the cycles the collection would have broken, so a thread's objects
    // are freed when the thread ends.
    ~LibraryState();

    std::unique_ptr<Registries> registries;
    int32_t liveObjectCount = 0;
    std::shared_ptr<VgxSoftwareDevice> hiddenDevice;
    VgxPresentParameters presentParameters;
    bool collectionBusy = false;
    int32_t lastDeviceReset = 0;
};

// This thread's state.
LibraryState& Library();

// False once this thread's state is being torn down: destructors that would
// otherwise touch it (a scene root's final collection) check this first.
bool LibraryAlive();

// This thread's registries; the first scene root creates them.
Registries& Registered();

}  // namespace vgx
