// The file system as the catalogue needs it; the platform's version is chosen by the build.
#pragma once

#include <string>
#include <vector>

// The directory of the running program's executable, with its trailing separator.
std::string ExecutableDirectory();
// The names of a directory's entries, whatever their kind; empty when it cannot be read.
std::vector<std::string> DirectoryEntries(const std::string& directory);
