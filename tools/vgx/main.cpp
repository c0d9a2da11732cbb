// vgx: the command-line host of the VorlanSG library.
//   vgx demo                     start a scene root and show what it does (the default)
//   vgx render FILE -o OUT.png   draw a primitive or a scene file off-screen with OpenGL
//   vgx info FILE                what the file holds and what the library loads from it
//   vgx convert IN OUT.x         write any readable scene file as a text .x file
//   vgx convert IN OUT.glb       load a scene file and save it as glTF 2.0 (.glb or .gltf)
//   vgx view [FILE]              the interactive modeller window (GLFW, Dear ImGui)
// Scene files: .x, glTF 2.0 (.gltf, .glb), and OBJ, PLY, STL, FBX, COLLADA through Assimp.
#include <vgx/Vgx7a.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "commands.h"
#include "tool_error.h"

int main(int argc, char** argv) {
    const char* command = argc > 1 ? argv[1] : "demo";
    try {
        if (std::strcmp(command, "demo") == 0) return vgxtool::RunDemo();
        if (std::strcmp(command, "render") == 0) return vgxtool::RunRender(argc - 2, argv + 2);
        if (std::strcmp(command, "info") == 0) return vgxtool::RunInfo(argc - 2, argv + 2);
        if (std::strcmp(command, "convert") == 0) return vgxtool::RunConvert(argc - 2, argv + 2);
        if (std::strcmp(command, "view") == 0) return vgxtool::RunView(argc - 2, argv + 2);
        std::fprintf(
            stderr,
            "usage: vgx [demo]\n"
            "       vgx render FILE -o OUT.png [--size WxH] [--smooth N] [--mirror x|y|z] [--reduce P] [--wireframe]\n"
            "                  [--view YAW,PITCH]   FILE: cube, torus or a scene file (.x, .gltf, .glb, .obj, .ply,\n"
            "                  .stl, .fbx, .dae)\n"
            "       vgx info FILE [--stats]\n"
            "       vgx convert IN OUT.x|OUT.gltf|OUT.glb [--stats]\n"
            "       vgx view [FILE] [--script FILE] [--size WxH] [--samples N]\n");
        return 2;
    } catch (const vgxtool::ToolError& error) {
        std::fprintf(stderr, "vgx %s: %s\n", command, error.what());
        return 2;
    } catch (const VgxError& error) {
        std::fprintf(stderr, "vgx: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vgx: %s\n", error.what());
        return 1;
    }
}
