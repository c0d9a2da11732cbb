// The scene root: start-up and shutdown, device ids, factories and plug-ins.
#include <vgx/Vgx.h>
#include <vgx/VgxGroup.h>
#include <vgx/VgxLight.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <algorithm>
#include <cctype>

#include "base/access.h"
#include "base/errors.h"
#include "base/large_blocks.h"
#include "base/task_pool.h"
#include "platform/mod_file.h"
#include "state/library_state.h"
#include "state/root_state.h"

namespace {

constexpr std::string_view kSource = "Vgx";

// Windowed, copy with vertical sync, one back buffer in the display's format and
// a 16-bit depth buffer.
VgxPresentParameters HiddenDeviceParameters(const VgxDisplayMode& mode) {
    VgxPresentParameters parameters;
    parameters.Windowed = true;
    parameters.SwapEffect = 4;
    parameters.BackBufferFormat = mode.Format;
    parameters.BackBufferCount = 1;
    parameters.EnableAutoDepthStencil = true;
    parameters.AutoDepthStencilFormat = VgxFormatD16;
    return parameters;
}

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

template <class T>
void Register(vgx::Registry<T>& registry, const std::shared_ptr<T>& member) {
    registry.push_back(member);
}

}  // namespace

std::shared_ptr<Vgx> Vgx::Create() {
    return vgx::Trap(kSource, [] { return std::shared_ptr<Vgx>(new Vgx()); });
}

Vgx::Vgx() : internals_(std::make_unique<vgx::RootState>()) {
    using vgx::modFile::WriteLogLine;
    WriteLogLine("Creating Scene Graph");
    // The retained-mode operations are the library's own functions: nothing to load.
    WriteLogLine("Vorlan RM Available");
    internals_->hiddenWindow = std::make_unique<vgx::platform::HiddenWindow>();

    vgx::LibraryState& library = vgx::Library();
    if (!library.registries) {
        library.registries = std::make_unique<vgx::Registries>();
        library.liveObjectCount = 0;
    }
    if (!library.hiddenDevice) {
        constexpr int32_t kSoftwareVertexProcessing = 32;
        library.presentParameters = HiddenDeviceParameters(VgxSoftwareDevice::GetAdapterDisplayMode());
        library.hiddenDevice = std::make_shared<VgxSoftwareDevice>(
            library.presentParameters, internals_->hiddenWindow->GetHandle(), kSoftwareVertexProcessing);
    }
    WriteLogLine("Vorlan Scene Graph Collections Created");
    WriteLogLine("Scene Graph Created");
}

Vgx::~Vgx() {
    if (!vgx::LibraryAlive()) return;
    try {
        CollectGarbage();
        internals_->textures.clear();
        internals_->hiddenWindow.reset();
        // The session is over: memory kept for its next modelling step goes back.
        vgx::blocks::ReleaseKeptBlocks();
        vgx::modFile::WriteLogLine("Scene Graph Terminated");
    } catch (const VgxError&) {
        // A destructor has no caller to report to; the log is the only loser.
    }
}

int32_t Vgx::CreateDeviceID() { return internals_->nextDeviceId++; }

std::shared_ptr<VgxObject> Vgx::CreateObject() {
    return vgx::Trap(kSource, [&] {
        CollectGarbage();
        auto object = VgxAccess::Make<VgxObject>();
        VgxAccess::SetRoot(*object, shared_from_this());
        Register(vgx::Registered().objects, object);
        VgxAccess::SetObjectID(*object, internals_->nextObjectId++);
        return object;
    });
}

std::shared_ptr<VgxGroup> Vgx::CreateGroup(const std::shared_ptr<VgxGroup>& ParentGroup) {
    return vgx::Trap(kSource, [&] {
        CollectGarbage();
        auto group = VgxAccess::Make<VgxGroup>();
        VgxAccess::SetRoot(*group, shared_from_this());
        if (ParentGroup) ParentGroup->AddChild(group);
        Register(vgx::Registered().groups, group);
        return group;
    });
}

std::shared_ptr<VgxMaterial> Vgx::CreateMaterial() {
    return vgx::Trap(kSource, [&] {
        auto material = VgxAccess::Make<VgxMaterial>();
        Register(vgx::Registered().materials, material);
        VgxAccess::SetRoot(*material, shared_from_this());
        material->SetColorRGBA(1, 1, 1, 1);
        material->SetAmbient(0.6f, 0.6f, 0.6f);
        material->SetEmissive(0.2f, 0.2f, 0.2f);
        material->SetPower(0);
        material->SetRaytraceAttributes("");
        material->SetSpecular(1, 1, 1);
        material->SetTexture(nullptr);
        material->SetTextureWrappingFlags(0, 0);
        VgxAccess::SetMaterialIndex(*material, -1);
        return material;
    });
}

std::shared_ptr<VgxLight> Vgx::CreateLight(VgxLightType LightType, int32_t Color) {
    return vgx::Trap(kSource, [&] {
        auto light = VgxAccess::Make<VgxLight>();
        Register(vgx::Registered().lights, light);
        light->SetType(LightType);
        light->SetColor(Color);
        light->SetConstantAttenuation(1.0f);
        light->SetLinearAttenuation(0);
        light->SetQuadraticAttenuation(0);
        light->SetUmbra(0.4f);
        light->SetPenumbra(0.5f);
        light->SetRange(256.0f);
        VgxAccess::SetRoot(*light, shared_from_this());
        return light;
    });
}

std::shared_ptr<VgxLight> Vgx::CreateLightRGB(VgxLightType LightType, float Red, float Green, float Blue) {
    return CreateLight(LightType, CreateColorRGB(Red, Green, Blue));
}

void Vgx::ReleaseDirect3DBuffers() {
    vgx::Trap(kSource, [&] {
        for (const auto& object : vgx::Registered().objects) object->ReleaseDirect3DBuffers();
    });
}

int32_t Vgx::GetPluginID(const std::string& PlugInDLL) {
    return vgx::Trap(kSource, [&] {
        vgx::RootState& self = *internals_;
        const std::string wanted = UpperCase(PlugInDLL);
        for (int32_t id = 0; id < self.pluginCount; ++id) {
            if (UpperCase(self.pluginNames[id]) == wanted) return id;
        }
        self.pluginNames.push_back(PlugInDLL);
        self.pluginObjects.resize(self.pluginNames.size());
        return self.pluginCount++;
    });
}

std::string Vgx::GetPluginDLL(int32_t PlugInID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->pluginNames, PlugInID); });
}

void Vgx::SetPluginObject(int32_t PlugInID, const std::shared_ptr<PluginMaterial>& PluginObject) {
    vgx::Trap(kSource, [&] { vgx::At(internals_->pluginObjects, PlugInID) = PluginObject; });
}

std::shared_ptr<PluginMaterial> Vgx::GetPluginObject(int32_t PlugInID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->pluginObjects, PlugInID); });
}

std::string Vgx::GetDiagnosticLogPath() { return vgx::modFile::LogFilePath(); }

void Vgx::SetThreadCount(int32_t ThreadCount) {
    vgx::Trap(kSource, [&] { vgx::tasks::SetThreadCount(ThreadCount); });
}

int32_t Vgx::GetThreadCount() const { return vgx::tasks::ThreadCount(); }

void Vgx::SetMessageBoxHandler(VgxMessageBoxHandler Handler) { internals_->messageBox = std::move(Handler); }
