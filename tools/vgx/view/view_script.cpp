#include "view_script.h"

#include <GLFW/glfw3.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "../tool_error.h"

namespace vgxtool {
namespace {

// A drag is played as this many mouse moves, so the edit runs while it goes.
constexpr int kDragSteps = 8;

[[noreturn]] void Malformed(const ScriptLine& line, const std::string& why) {
    throw ToolError("script line " + std::to_string(line.number) + ": " + why);
}

float Number(const ScriptLine& line, size_t index) {
    if (index >= line.words.size()) Malformed(line, line.words[0] + ": too few arguments");
    try {
        size_t used = 0;
        const float value = std::stof(line.words[index], &used);
        if (used == line.words[index].size()) return value;
    } catch (const std::logic_error&) {
    }
    Malformed(line, line.words[index] + ": not a number");
}

const std::string& Word(const ScriptLine& line, size_t index) {
    if (index >= line.words.size()) Malformed(line, line.words[0] + ": too few arguments");
    return line.words[index];
}

void Drag(ViewInput& input, int button, float x1, float y1, float x2, float y2) {
    input.Move(x1, y1);
    input.Button(button, GLFW_PRESS, 0, x1, y1);
    for (int step = 1; step <= kDragSteps; ++step) {
        const float t = static_cast<float>(step) / kDragSteps;
        input.Move(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t);
    }
    input.Button(button, GLFW_RELEASE, 0, x2, y2);
}

}  // namespace

std::vector<ScriptLine> ReadScript(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw ToolError(path + ": cannot be read");
    std::vector<ScriptLine> lines;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        std::istringstream words(text.substr(0, text.find('#')));
        ScriptLine line{number, {}};
        for (std::string word; words >> word;) line.words.push_back(word);
        if (!line.words.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

ScriptStep PlayScriptLine(const ScriptLine& line, Viewer& viewer, ViewInput& input) {
    const std::string& command = line.words[0];
    ScriptStep step;
    if (command == "load") {
        viewer.Open(Word(line, 1));
    } else if (command == "save") {
        viewer.Save(Word(line, 1));
    } else if (command == "orbit") {
        viewer.OrbitDegrees(Number(line, 1), Number(line, 2));
    } else if (command == "zoom") {
        viewer.Zoom(Number(line, 1));
    } else if (command == "pan") {
        viewer.Pan(Number(line, 1), Number(line, 2));
    } else if (command == "frame") {
        line.words.size() > 1 && line.words[1] == "selection" ? viewer.FrameSelection() : viewer.FrameScene();
    } else if (command == "mode") {
        const std::string& mode = Word(line, 1);
        if (mode != "faces" && mode != "points" && mode != "edges") Malformed(line, mode + ": no such mode");
        viewer.SetMode(mode == "faces" ? SelectMode::Faces : mode == "points" ? SelectMode::Points : SelectMode::Edges);
    } else if (command == "move") {
        input.Move(Number(line, 1), Number(line, 2));
    } else if (command == "click") {
        const float x = Number(line, 1), y = Number(line, 2);
        const int mods = line.words.size() > 3 && line.words[3] == "shift" ? GLFW_MOD_SHIFT : 0;
        input.Move(x, y);
        input.Button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, mods, x, y);
        input.Button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, mods, x, y);
    } else if (command == "drag") {
        const int button =
            line.words.size() > 5 && line.words[5] == "right" ? GLFW_MOUSE_BUTTON_RIGHT : GLFW_MOUSE_BUTTON_LEFT;
        Drag(input, button, Number(line, 1), Number(line, 2), Number(line, 3), Number(line, 4));
    } else if (command == "key") {
        int key = 0, mods = 0;
        if (!ParseKey(Word(line, 1), key, mods)) Malformed(line, Word(line, 1) + ": no such key");
        input.Key(key, mods);
    } else if (command == "set") {
        try {
            viewer.Settings().Set(Word(line, 1), Word(line, 2));
        } catch (const std::invalid_argument& error) {
            Malformed(line, error.what());
        }
    } else if (command == "op") {
        if (!FindOperation(Word(line, 1))) Malformed(line, Word(line, 1) + ": no such operation");
        viewer.RunOperation(line.words[1]);
    } else if (command == "undo") {
        viewer.Undo();
    } else if (command == "redo") {
        viewer.Redo();
    } else if (command == "screenshot") {
        step.screenshot = Word(line, 1);
        step.withPanel = line.words.size() > 2 && line.words[2] == "window";
    } else if (command == "quit") {
        step.quit = true;
    } else {
        Malformed(line, command + ": no such command");
    }
    return step;
}

}  // namespace vgxtool
