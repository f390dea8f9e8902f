#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <memory>

#include "flash/directory.h"

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), closedir);
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) names.emplace_back(entry->d_name);
    return names;
}
