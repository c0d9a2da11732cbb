// VgxGroup::Load: a .x file's frame tree rebuilt as groups below this one.
#include <vgx/Vgx.h>
#include <vgx/VgxGroup.h>
#include <vgx/VgxLight.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "io/xfile_conversion.h"
#include "material/texture_loading.h"
#include "platform/hidden_window.h"
#include "platform/os.h"
#include "scene/group_internal.h"
#include "state/root_state.h"

namespace {

// The group an entry of the frame table names; 9 outside the table, 91 for an entry
// not created yet.
const std::shared_ptr<VgxGroup>& TableEntry(const std::vector<std::shared_ptr<VgxGroup>>& table, int32_t entry) {
    const std::shared_ptr<VgxGroup>& group = vgx::At(table, entry);
    if (!group) vgx::Raise(VgxErrObjectNotSet);
    return group;
}

// The keys of each frame, which follow each other in frame order, to its group.
void AddAnimationKeys(const vgx::rm::FrameHierarchyArrays& frames,
                      const std::vector<std::shared_ptr<VgxGroup>>& table) {
    size_t key = 0;
    for (size_t i = 1; i < table.size(); ++i) {
        const int32_t count = frames.frameAnimationKeyCount[i];
        for (int32_t k = 0; k < count; ++k, ++key) {
            VgxAnimationKey animationKey{};
            animationKey.dwKeyType = static_cast<VgxAnimationKeyType>(frames.animationKeyType[key]);
            animationKey.dvTime = frames.animationKeyTime[key];
            animationKey.dvK = {frames.animationKeyX[key], frames.animationKeyY[key], frames.animationKeyZ[key],
                                frames.animationKeyS[key]};
            table[i]->AddAnimationKey(animationKey);
        }
        if (count > 0) table[i]->SetAnimationOptions(frames.frameAnimationType[i]);
    }
}

void AddLights(Vgx& root, const vgx::rm::FrameHierarchyArrays& frames,
               const std::vector<std::shared_ptr<VgxGroup>>& table) {
    for (const vgx::rm::SceneLight& light : frames.lights) {
        auto added = root.CreateLightRGB(light.type, light.red, light.green, light.blue);
        if (light.range > 0) added->SetRange(light.range);
        if (light.type == VgxLightSpot) {
            added->SetUmbra(light.umbra);
            added->SetPenumbra(light.penumbra);
        }
        TableEntry(table, light.frame < 1 ? 0 : light.frame)->AddLight(added);
    }
}

}  // namespace

void VgxGroup::Load(const std::string& FileName) {
    const std::shared_ptr<Vgx> root = internals_->root;
    if (!root) vgx::Raise(VgxErrObjectNotSet, "VgxGroup");
    vgx::rm::FrameHierarchyArrays frames;
    // The meshes go through files of this call alone, so loads on other threads or
    // in other processes never meet, and none is left whatever happens.
    vgx::platform::TemporaryFiles temporary;
    // Meshes of other formats stay in memory: the temporary files are .x files.
    std::vector<vgx::xfile::Scene> inMemory;
    int32_t last = -1;
    {
        const vgx::platform::HiddenWindow window;
        try {
            last = vgx::Trap("Vgx", [&] {
                return vgx::rm::ConvertFrameHierarchy(
                    FileName, root->GetSearchPath(), frames, [&](int32_t, vgx::xfile::Scene&& single, bool xFile) {
                        if (xFile) {
                            vgx::xfile::WriteXFile(temporary.Add("~VRL", ".x"), single);
                        } else {
                            inMemory.push_back(std::move(single));
                        }
                    });
            });
        } catch (const VgxError&) {
            // A file the conversion cannot read holds no mesh for it either.
            last = -1;
            frames = {};
        }
    }
    // A scene of another format with nodes or lights but no mesh (a light rig, an
    // empty layout) still gives its groups and lights.
    const bool meshlessScene = !frames.xFile && (frames.frameName.size() > 1 || !frames.lights.empty());
    if (last == -1 && !meshlessScene) {
        try {
            root->CreateObject()->Load(FileName);
        } catch (const VgxError&) {
            vgx::ShowMessageBox(*root, "File Format Invalid.", VgxMessageExclamation);
        }
        return;
    }

    vgx::Trap("VgxGroup", [&] {
        std::vector<std::shared_ptr<VgxGroup>> table(frames.frameParent.size());
        table.at(0) = root->CreateGroup(shared_from_this());
        for (size_t i = 1; i < frames.frameName.size(); ++i) {
            const std::shared_ptr<VgxGroup>& parent = TableEntry(table, i == 1 ? 0 : frames.frameParent[i]);
            auto group = root->CreateGroup(parent);
            vgx::At(table, static_cast<int64_t>(i)) = group;
            group->SetName(frames.frameName[i].empty() ? "Group" : frames.frameName[i]);
            if (i == 1) continue;
            group->SetPosition(-1, parent, {frames.positionX[i], frames.positionY[i], frames.positionZ[i]});
            group->SetOrientation(-1, parent, {frames.dirX[i], frames.dirY[i], frames.dirZ[i]},
                                  {frames.upX[i], frames.upY[i], frames.upZ[i]});
        }
        if (frames.animateGroups) AddAnimationKeys(frames, table);
        AddLights(*root, frames, table);
        for (vgx::rm::EmbeddedImage& image : frames.images) {
            vgx::RegisterEmbeddedImage(*root, image.name, std::move(image.bytes));
        }
        for (int32_t j = 0; j <= last; ++j) {
            auto object = root->CreateObject();
            if (inMemory.empty()) {
                const std::string& meshFile = vgx::At(temporary.Paths(), j);
                object->Load(meshFile);
                vgx::platform::DeleteFile(meshFile);
            } else {
                vgx::rm::ImportedScene single{std::move(vgx::At(inMemory, j)), {}, {}, {}};
                vgx::rm::MeshFileArrays arrays;
                vgx::rm::ConvertSceneMeshes(single, "", arrays);
                vgx::Trap("VgxObject", [&] { vgx::rm::LoadObjectFromArrays(*object, arrays); });
            }
            TableEntry(table, vgx::At(frames.objectParent, j))->AddObject(object);
        }
    });
}
