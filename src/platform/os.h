#pragma once
// Operating-system services the library needs: clock, folders, paths and files.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vgx::platform {

// Milliseconds of a steady clock, wrapping like a 32-bit tick counter.
int32_t TickCount();
// Replaces the clock on this thread (hosts replaying a session, tests driving
// time); an empty function restores the steady clock.
void SetTickSource(std::function<int32_t()> source);

// $XDG_DOCUMENTS_DIR, else $HOME/Documents when it exists, else $HOME; empty when
// none is set.
std::string DocumentsFolder();
// $temp, else $TMPDIR, else /tmp.
std::string TempFolder();
// A path in the temporary folder that no other call, thread or process is given:
// "<folder>/<stem><process id>-<serial><extension>". Nothing is created.
std::string PrivateTempPath(std::string_view stem, std::string_view extension);
// The canonical path of an existing file or folder; empty when it does not exist.
std::string ShortPath(const std::string& path);
// The folder the library's own file lies in.
std::string LibraryFolder();
// The value of an environment variable, empty when unset.
std::string Environment(const char* name);

// Appends `line` and CR LF to the file, creating it when missing; the file is
// closed again before returning. Raises the file error (53, 70, 75, 76).
void AppendLine(const std::string& path, std::string_view line);
// Removes a file; false when there was none to remove.
bool DeleteFile(const std::string& path);

// A file's path and its whole content.
struct FileContent {
    std::string path;
    std::string_view bytes;
};
// Writes every file whole or none: each goes to a private name beside its
// destination first, and only when all are written are they renamed into place,
// so a reader never sees half a file. Raises 75 when any cannot be written, with
// the partial files removed.
void WriteFilesWhole(const std::vector<FileContent>& files);

// Private temporary file names, each file removed when this goes out of scope,
// however the call that wrote them ends.
class TemporaryFiles {
public:
    TemporaryFiles() = default;
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;
    ~TemporaryFiles();
    // A new PrivateTempPath, removed with the others.
    std::string Add(std::string_view stem, std::string_view extension);
    // The names given so far, in order.
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

// Local date and time as text for the diagnostic log.
std::string ShortDate();
std::string LongTime();

}  // namespace vgx::platform
