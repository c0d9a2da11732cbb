// Prints what a C++ host gets from the render buffers of FILE after Smooth(1):
// the vertex buffer's length and FNV-1a hash, then each sub-object's solid index
// buffer's. The Python tests compare their own reading of the same buffers.
#include <vgx/Vgx7a.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

namespace {

uint64_t Fnv1a(const VgxDeviceBuffer& buffer) {
    std::vector<unsigned char> bytes(buffer.GetLength());
    buffer.Read(0, bytes.data(), bytes.size());
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    auto root = Vgx::Create();
    auto object = root->CreateObject();
    object->Load(argv[1]);
    object->Smooth(1, VgxGreaterThan, 0, 0);
    auto device = std::make_shared<VgxSoftwareDevice>();
    const int32_t deviceId = root->CreateDeviceID();
    auto vertices = object->GetVertexBuffer(deviceId, device);
    std::printf("%zu %016" PRIx64 "\n", vertices->GetLength(), Fnv1a(*vertices));
    for (int32_t s = 0; s < object->GetSubObjectCount(); ++s) {
        auto indexes = object->GetSubObjectSolidIndexBuffer(deviceId, s);
        if (indexes) std::printf("%zu %016" PRIx64 "\n", indexes->GetLength(), Fnv1a(*indexes));
    }
    return 0;
}
