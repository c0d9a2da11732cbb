// The memory a built triangle mesh keeps, ours beside OpenMesh's, as the system sees
// it: the resident pages building the mesh adds to a fresh process, next to the
// allocator's count of heap in use. Each side runs in a process of its own, so that
// neither finds pages the other (or an earlier case) left mapped.
//
// usage: vgx_mesh_memory vgx|openmesh|both [faces]
//
// `both` runs the program twice more, once per side, and prints the two lines and our
// resident bytes over OpenMesh's.
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "base/large_blocks.h"
#include "bench_support.h"
#if VGX_HAVE_OPENMESH
#include "openmesh_peer.h"
#endif

namespace {

using vgx::bench::Generated;
using vgx::bench::HeapInUse;
using vgx::bench::Shape;

constexpr int64_t kDefaultFaces = 1000000;
constexpr const char* kNoOpenMesh = "OpenMesh was not built in (configure with -DVGX_PEERS=ON and OpenMesh installed)";

struct Reading {
    double resident = 0;  // bytes
    double heap = 0;      // bytes
};

// Resident pages from /proc/self/statm (its second field) times the page size. Read
// with plain system calls, so that taking the reading allocates nothing.
double ResidentBytes() {
    char text[256];
    const int fd = open("/proc/self/statm", O_RDONLY);
    const ssize_t got = fd < 0 ? -1 : read(fd, text, sizeof text - 1);
    if (fd >= 0) close(fd);
    unsigned long long total = 0, resident = 0;
    if (got <= 0 || (text[got] = '\0', std::sscanf(text, "%llu %llu", &total, &resident) != 2)) {
        std::fprintf(stderr, "vgx_mesh_memory: cannot read /proc/self/statm: %s\n", std::strerror(errno));
        std::exit(1);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

Reading Now() { return {ResidentBytes(), double(HeapInUse())}; }

// Taken just before building: the allocator first gives back the free pages it holds,
// so that memory the input's construction freed is not quietly reused by the mesh and
// missed by the resident count.
Reading Before() {
    malloc_trim(0);
    return Now();
}

void Print(const char* side, const Reading& before, const Reading& after, int64_t faces) {
    std::printf("%s resident %.1f bytes/triangle heap %.1f bytes/triangle (%" PRId64 " triangles)\n", side,
                (after.resident - before.resident) / double(faces), (after.heap - before.heap) / double(faces), faces);
}

// Our object built as the MeshMemory case builds it: the soup and an empty object of a
// fresh root exist before the first reading, only AddFaces happens between the two.
int MeasureOurs(int64_t faces) {
    const vgx::test::ObjMesh& soup = Generated(Shape::Triangles, faces);
    auto root = vgx::bench::QuietRoot();
    auto object = root->CreateObject();
    const Reading before = Before();
    object->AddFaces(soup.points, soup.normals, soup.uvs, soup.faceData, true, false);
    const Reading after = Now();
    Print("vgx", before, after, object->GetFaceCount());
    // The large blocks the build freed stay with the library while calls come; a
    // second after the last they go back to the system: what the mesh then holds.
    const size_t releases = vgx::blocks::IdleReleaseCount();
    const bool kept = vgx::blocks::KeptBlockBytes() > 0;  // else nothing will go back
    for (int waited = 0; kept && vgx::blocks::IdleReleaseCount() == releases; ++waited) {
        if (waited == 100) {
            std::fprintf(stderr, "vgx_mesh_memory: the kept blocks did not go back within 10 s\n");
            return 1;
        }
        usleep(100000);
    }
    Print("vgx-idle", before, Now(), object->GetFaceCount());
    return 0;
}

int MeasureOpenMesh([[maybe_unused]] int64_t faces) {
#if VGX_HAVE_OPENMESH
    // The pooled mesh the OpenMeshMemory case hands OpenMesh; it stays alive throughout.
    const vgx::bench::IndexedMesh input = vgx::bench::IndexedGenerated(Shape::Triangles, faces);
    const Reading before = Before();
    const vgx::bench::openmesh::Built built = vgx::bench::openmesh::Keep(input);
    const Reading after = Now();
    Print("openmesh", before, after, built.faces);
    return 0;
#else
    std::fprintf(stderr, "vgx_mesh_memory: %s\n", kNoOpenMesh);
    return 1;
#endif
}

// This program run again with `side`, in a new process; what it printed, or nothing
// when it failed (its own message is on stderr already).
std::optional<std::string> RunSide(const char* program, const char* side, const std::string& faces) {
    int out[2];
    if (pipe(out) != 0) {
        std::perror("vgx_mesh_memory: pipe");
        return std::nullopt;
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) {
        std::perror("vgx_mesh_memory: fork");
        return std::nullopt;
    }
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl("/proc/self/exe", program, side, faces.c_str(), static_cast<char*>(nullptr));
        std::perror("vgx_mesh_memory: exec /proc/self/exe");
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buffer, size_t(n));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "vgx_mesh_memory: the %s run failed\n", side);
        return std::nullopt;
    }
    return text;
}

#if VGX_HAVE_OPENMESH
std::optional<double> ResidentPerTriangle(const std::string& output, const std::string& side) {
    const auto at = output.find(side + " resident ");
    double value = 0;
    if (at != std::string::npos && std::sscanf(output.c_str() + at + side.size(), " resident %lf", &value) == 1) return value;
    return std::nullopt;
}
#endif

int MeasureBoth(const char* program, int64_t faces) {
    const std::string count = std::to_string(faces);
    const auto ours = RunSide(program, "vgx", count);
    if (!ours) return 1;
    std::fputs(ours->c_str(), stdout);
#if VGX_HAVE_OPENMESH
    const auto theirs = RunSide(program, "openmesh", count);
    if (!theirs) return 1;
    std::fputs(theirs->c_str(), stdout);
    const auto a = ResidentPerTriangle(*ours, "vgx"), idle = ResidentPerTriangle(*ours, "vgx-idle"),
               b = ResidentPerTriangle(*theirs, "openmesh");
    if (!a || !idle || !b || *b <= 0) {
        std::fprintf(stderr, "vgx_mesh_memory: no resident figure to compare\n");
        return 1;
    }
    // Ours over OpenMesh's, as the report's ratios are: above 1 OpenMesh's mesh is smaller.
    std::printf("ratio %.2fx (resident), %.2fx (once idle)\n", *a / *b, *idle / *b);
#else
    std::printf("openmesh not measured: %s\n", kNoOpenMesh);
#endif
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vgx_mesh_memory vgx|openmesh|both [faces]\n"
                 "  the resident and heap bytes per triangle a built mesh of about `faces` triangles\n"
                 "  (default %" PRId64 ") adds to a fresh process; `both` measures each side in a\n"
                 "  process of its own and prints our resident bytes over OpenMesh's\n",
                 kDefaultFaces);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return Usage();
    int64_t faces = kDefaultFaces;
    if (argc == 3) {
        char* end = nullptr;
        errno = 0;
        const long long parsed = std::strtoll(argv[2], &end, 10);
        if (errno != 0 || end == argv[2] || *end != '\0' || parsed <= 0 || parsed > INT32_MAX) return Usage();
        faces = parsed;
    }
    const std::string side = argv[1];
    if (side == "vgx") return MeasureOurs(faces);
    if (side == "openmesh") return MeasureOpenMesh(faces);
    if (side == "both") return MeasureBoth(argv[0], faces);
    return Usage();
}
