#pragma once
// Operating-system services the library needs: clock, folders, paths and files.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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

// Local date and time as text for the diagnostic log.
std::string ShortDate();
std::string LongTime();

}  // namespace vgx::platform
