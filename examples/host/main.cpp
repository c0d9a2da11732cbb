// The smallest host: one object with two faces in two materials, and the render
// buffers it would hand to its graphics API.
#include <vgx/Vgx7a.h>

#include <cstdio>
#include <memory>
#include <vector>

int main() {
    std::shared_ptr<Vgx> root = Vgx::Create();
    const int32_t deviceId = root->CreateDeviceID();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
    scene->AddObject(mesh);

    // A square and a triangle beside it; FaceData holds per face its corner count
    // and (point, normal, UV) per corner, then a final 0.
    const std::vector<VgxVector> points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}};
    const std::vector<VgxVector> normals{{0, 0, -1}};
    const std::vector<VgxUV> uvs{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const std::vector<int32_t> faceData{4, 0, 0, 0, 3, 0, 3, 2, 0, 2, 1, 0, 1,  //
                                        3, 1, 0, 0, 2, 0, 2, 4, 0, 1, 0};
    mesh->AddFaces(points, normals, uvs, faceData, true, false);
    mesh->GetFace(1)->ApplyMaterial(root->CreateMaterial());

    auto device = std::make_shared<VgxSoftwareDevice>();
    std::shared_ptr<VgxVertexBuffer> vertices = mesh->GetVertexBuffer(deviceId, device);
    std::printf("faces %d, vertices %d (%zu bytes)\n", mesh->GetFaceCount(), mesh->GetVertexBufferObjectVertexCount(),
                vertices ? vertices->GetLength() : 0);
    for (int32_t s = 0; s < mesh->GetSubObjectCount(); ++s) {
        std::shared_ptr<VgxIndexBuffer> triangles = mesh->GetSubObjectSolidIndexBuffer(deviceId, s);
        std::printf("material %d: %d triangles, %zu index bytes\n", s, mesh->GetSubObjectSolidPrimitiveCount(s),
                    triangles ? triangles->GetLength() : 0);
    }
    return mesh->GetSubObjectCount() == 2 ? 0 : 1;
}
