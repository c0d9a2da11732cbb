#pragma once
// The diagnostic log and the path helpers of the search path and texture loaders.
#include <cstdint>
#include <string>
#include <string_view>

namespace vgx::modFile {

// Appends "date | time | message" to Vorlan.log in the documents folder. The file
// is opened and closed for every line; a folder that cannot be written raises the
// file error to the caller.
void WriteLogLine(std::string_view message);
// The full name of the diagnostic log.
std::string LogFilePath();

std::string GetDocumentsFolder();
// Folder id 5 is the user's documents folder; any other id gives "".
std::string GetSpecialFolder(int32_t folderId, int32_t flags);
std::string TrimAtNull(std::string_view text);

// Splits a path at its last folder separator ("\" or "/") and last dot: the folder
// keeps its separator, the extension is upper-cased and empty when it is a number.
void SplitPath(std::string_view path, std::string& folder, std::string& name, std::string& extension);
// "" for a path shorter than 3 characters; a leading "." becomes the library's folder.
std::string ResolveRelativePath(const std::string& path);
// The canonical form of an existing path, "" when it does not exist.
std::string GetShortPath(const std::string& path);

}  // namespace vgx::modFile
