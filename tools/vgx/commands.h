#pragma once
// The subcommands of the vgx host; each returns the process exit code.

namespace vgxtool {

int RunDemo();
// argv[0] is the first argument after "render".
int RunRender(int argc, char** argv);
// argv[0] is the .x file.
int RunInfo(int argc, char** argv);
// argv[0] and argv[1] are the input and output .x files.
int RunConvert(int argc, char** argv);
// argv[0] is the first argument after "view".
int RunView(int argc, char** argv);

}  // namespace vgxtool
