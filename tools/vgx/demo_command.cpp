// vgx demo: starts a scene root and shows what it does.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "commands.h"
#include "primitives.h"

namespace vgxtool {
namespace {

// Lines of the diagnostic log written since `offset`.
void PrintLogSince(const std::string& logPath, std::streamoff offset) {
    std::ifstream log(logPath, std::ios::binary);
    log.seekg(offset);
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::printf("  log: %s\n", line.c_str());
    }
}

std::streamoff LogSize(const std::string& logPath) {
    std::ifstream log(logPath, std::ios::binary | std::ios::ate);
    return log ? static_cast<std::streamoff>(log.tellg()) : 0;
}

// A cube through the modelling operations and the render buffers a host would draw.
void ShowModelling(Vgx& root, VgxObject& mesh) {
    AddCube(mesh);
    mesh.BevelPoints({6}, 0.2f);
    std::printf("Cube with one corner bevelled: %d faces, %d points\n", mesh.GetFaceCount(), mesh.GetPointCount());
    mesh.SetSmoothingLevel(2);
    auto device = std::make_shared<VgxSoftwareDevice>();
    const int32_t id = root.CreateDeviceID();
    mesh.GetVertexBuffer(id, device);
    std::printf("Shown at smoothing level 2: %d cage vertices, %d smoothed vertices, %d smoothed triangles\n",
                mesh.GetVertexBufferObjectVertexCount(), mesh.GetVertexBufferVisualVertexCount(),
                mesh.GetSubVisualSolidPrimitiveCount(0));
    mesh.SetSmoothingLevel(0);
    mesh.Smooth(1, VgxGreaterThan, 0, 0);
    std::printf("Smoothed once in place: %d faces\n", mesh.GetFaceCount());
}

}  // namespace

int RunDemo() {
    const std::string logPath = Vgx::GetDiagnosticLogPath();
    std::streamoff offset = LogSize(logPath);
    std::printf("Starting a scene root (diagnostic log: %s)\n", logPath.c_str());
    std::shared_ptr<Vgx> root = Vgx::Create();
    PrintLogSince(logPath, offset);

    std::printf("Device ids:");
    for (int i = 0; i < 3; ++i) std::printf(" %d", root->CreateDeviceID());
    std::printf("\n");

    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    scene->SetName("scene");
    std::shared_ptr<VgxGroup> child = root->CreateGroup(scene);
    child->SetName("child");
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
    mesh->SetName("mesh");
    child->AddObject(mesh);
    std::shared_ptr<VgxMaterial> material = root->CreateMaterial();
    D3DMATERIAL8 device = material->GetD3DMaterial();
    std::shared_ptr<VgxLight> light = root->CreateLightRGB(VgxLightSpot, 1.0f, 0.9f, 0.8f);
    scene->AddLight(light);
    std::printf("Created group '%s' with child '%s' holding object '%s' (id %d)\n", scene->GetName().c_str(),
                child->GetName().c_str(), mesh->GetName().c_str(), mesh->GetObjectID());
    std::printf("Default material: diffuse (%.2f %.2f %.2f %.2f) ambient (%.2f %.2f %.2f) emissive (%.2f %.2f %.2f)\n",
                device.Diffuse.r, device.Diffuse.g, device.Diffuse.b, device.Diffuse.a, device.Ambient.r,
                device.Ambient.g, device.Ambient.b, device.Emissive.r, device.Emissive.g, device.Emissive.b);
    std::printf("Spot light: colour 0x%08X range %.1f umbra %.1f penumbra %.1f\n",
                static_cast<unsigned>(light->GetColor()), light->GetRange(), light->GetUmbra(), light->GetPenumbra());
    ShowModelling(*root, *mesh);

    struct Watched {
        const char* name;
        std::weak_ptr<void> member;
        bool reported = false;
    };
    std::vector<Watched> watched{{"group 'scene'", scene},
                                 {"group 'child'", child},
                                 {"object 'mesh'", mesh},
                                 {"material", material},
                                 {"light", light}};
    auto collect = [&](const char* when) {
        root->CollectGarbage();
        std::printf("CollectGarbage %s released:", when);
        int released = 0;
        for (Watched& entry : watched) {
            if (entry.reported || !entry.member.expired()) continue;
            std::printf(" %s", entry.name);
            entry.reported = true;
            ++released;
        }
        std::printf("%s\n", released ? "" : " nothing");
    };
    collect("while the host holds everything");
    scene.reset();
    child.reset();
    mesh.reset();
    material.reset();
    light.reset();
    collect("after the host let go");
    // Lights and materials are swept before the groups and objects that hold
    // them, so what those held goes in the following collection.
    collect("once more");

    offset = LogSize(logPath);
    root.reset();
    std::printf("Scene root dropped\n");
    PrintLogSince(logPath, offset);
    return 0;
}

}  // namespace vgxtool
