#pragma once
// Scripts drive the viewer without a person, one command a line ('#' starts a
// comment), one command a frame; after each the status line goes to stdout:
//   load FILE | save FILE.glb | orbit YAW PITCH | zoom FACTOR | pan DX DY
//   frame [selection] | mode faces|points|edges | move X Y | click X Y [shift]
//   drag X1 Y1 X2 Y2 [right] | key NAME (ctrl+z, 2, delete...) | set NAME VALUE
//   op OPERATION | undo | redo | screenshot FILE.png [window] | quit
// Positions are window pixels from the top left, as the mouse reports them.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "view_input.h"
#include "viewer.h"

namespace vgxtool {

struct ScriptLine {
    int number;
    std::vector<std::string> words;
};

// Raises ToolError when the file cannot be read.
std::vector<ScriptLine> ReadScript(const std::string& path);

// What the main loop does after a command: screenshots wait for the drawn frame.
struct ScriptStep {
    std::optional<std::string> screenshot;
    bool withPanel = false;  // the whole window rather than the scene alone
    bool quit = false;
};

// Plays one command through the same paths as the mouse, keys and panel; raises
// ToolError naming the line for a command it does not know or malformed arguments.
ScriptStep PlayScriptLine(const ScriptLine& line, Viewer& viewer, ViewInput& input);

}  // namespace vgxtool
