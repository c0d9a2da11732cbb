#include "view_panel.h"

#include <imgui.h>

#include <string>

namespace vgxtool {
namespace {

constexpr float kPanelWidth = 270;
constexpr float kStatusHeight = 30;

void ModeButtons(Viewer& viewer) {
    const SelectMode mode = viewer.CurrentSelection().mode;
    if (ImGui::RadioButton("faces", mode == SelectMode::Faces)) viewer.SetMode(SelectMode::Faces);
    ImGui::SameLine();
    if (ImGui::RadioButton("points", mode == SelectMode::Points)) viewer.SetMode(SelectMode::Points);
    ImGui::SameLine();
    if (ImGui::RadioButton("edges", mode == SelectMode::Edges)) viewer.SetMode(SelectMode::Edges);
}

void SettingsSliders(OperationSettings& settings) {
    ImGui::SliderInt("smooth level", &settings.smoothLevel, 1, 4);
    ImGui::DragFloat("bevel", &settings.bevel, settings.bevel / 50 + 1e-4f, 1e-4f, 1e6f, "%.4f");
    ImGui::SliderInt("divisions", &settings.divisions, 2, 8);
    ImGui::SliderInt("level", &settings.level, 1, 12);
    ImGui::SliderInt("reduce %", &settings.reducePercent, 0, 100);
    ImGui::SliderInt("smoothing", &settings.smoothingLevel, 0, 4);
    ImGui::Combo("mirror", &settings.mirrorAxis, "none\0x\0y\0z\0");
    ImGui::SliderFloat("creasing", &settings.creasingFactor, 0, 100);
    ImGui::Combo("wrap", &settings.wrapType, "flat\0cylinder\0sphere\0chrome\0");
}

void OperationButtons(Viewer& viewer) {
    int column = 0;
    for (const Operation& operation : Operations()) {
        if (column++ % 2 == 1) ImGui::SameLine(kPanelWidth / 2);
        if (ImGui::Button(operation.name, {kPanelWidth / 2 - 12, 0})) viewer.RunOperation(operation.name);
    }
}

}  // namespace

void ViewPanel::Draw(Viewer& viewer, int32_t windowWidth, int32_t windowHeight) {
    ImGui::SetNextWindowPos({0, 0});
    ImGui::SetNextWindowSize({kPanelWidth, static_cast<float>(windowHeight) - kStatusHeight});
    ImGui::Begin("vgx view", nullptr, ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize);
    // Room for the labels beside the sliders.
    ImGui::PushItemWidth(kPanelWidth * 0.55f);
    ImGui::InputText("##open", openPath_.data(), openPath_.size());
    ImGui::SameLine();
    if (ImGui::Button("Open")) viewer.Open(openPath_.data());
    ImGui::InputText("##save", savePath_.data(), savePath_.size());
    ImGui::SameLine();
    if (ImGui::Button("Save")) viewer.Save(savePath_.data());
    ImGui::Separator();
    ModeButtons(viewer);
    if (ImGui::Button("frame selection")) viewer.FrameSelection();
    ImGui::SameLine();
    if (ImGui::Button("frame scene")) viewer.FrameScene();
    const std::string undo = "undo (" + std::to_string(viewer.History().UndoCount()) + ")";
    const std::string redo = "redo (" + std::to_string(viewer.History().RedoCount()) + ")";
    if (ImGui::Button(undo.c_str())) viewer.Undo();
    ImGui::SameLine();
    if (ImGui::Button(redo.c_str())) viewer.Redo();
    ImGui::Separator();
    OperationSettings& settings = viewer.Settings();
    SettingsSliders(settings);
    if (ImGui::InputText("texture", texturePath_.data(), texturePath_.size())) settings.texture = texturePath_.data();
    ImGui::Separator();
    OperationButtons(viewer);
    ImGui::PopItemWidth();
    ImGui::End();

    ImGui::SetNextWindowPos({0, static_cast<float>(windowHeight) - kStatusHeight});
    ImGui::SetNextWindowSize({static_cast<float>(windowWidth), kStatusHeight});
    ImGui::Begin("status", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove);
    ImGui::TextUnformatted(viewer.StatusLine().c_str());
    ImGui::End();
}

}  // namespace vgxtool
