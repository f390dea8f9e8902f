#include "cli/port_advice.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "link/ports.h"

namespace {

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The processes that have the device open, as "PID (name)".
std::vector<std::string> Holders(const std::string& device) {
    std::vector<std::string> found;
    const std::string target = RealPath(device);
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    while (const dirent* p = readdir(proc)) {
        const std::string pid = p->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds) continue;
        bool holds = false;
        while (const dirent* f = readdir(fds)) {
            char link[PATH_MAX];
            const std::string path = fdDir + "/" + f->d_name;
            const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
            if (n > 0 && std::string(link, static_cast<size_t>(n)) == target) holds = true;
        }
        closedir(fds);
        if (!holds || pid == std::to_string(getpid())) continue;
        std::ifstream comm("/proc/" + pid + "/comm");
        std::string name;
        std::getline(comm, name);
        found.push_back(pid + " (" + name + ")");
    }
    closedir(proc);
    return found;
}

}  // namespace

std::vector<std::string> SerialOpenAdvice() {
    const SerialOpenError& e = LastSerialOpenError();
    std::vector<std::string> advice;
    if (e.path.empty()) return advice;
    advice.push_back(e.path + ": " + e.text);
    switch (e.error) {
        case EACCES:
            advice.push_back(
                "Serial devices belong to the dialout group: sudo usermod -aG dialout \"$USER\", "
                "then log in again.");
            break;
        case EBUSY: {
            const auto holders = Holders(e.path);
            std::string who;
            for (const std::string& h : holders) who += (who.empty() ? "" : ", ") + h;
            advice.push_back(holders.empty()
                                 ? "Another program holds the port (ModemManager and brltty "
                                   "often claim USB adapters)."
                                 : "The port is held by " + who + ".");
            break;
        }
        case ENOENT:
            advice.push_back(
                "No such device: see /dev/serial/by-id for the adapters present, and point the "
                "COM name at one in the settings' [Serial Ports] section.");
            break;
        default:
            break;
    }
    return advice;
}

std::string LatencyAdvice(const std::string& devicePath) {
    const std::string real = RealPath(devicePath);
    const std::string name = real.substr(real.rfind('/') + 1);
    const std::string timer = "/sys/bus/usb-serial/devices/" + name + "/latency_timer";
    std::ifstream in(timer);
    int ms = 0;
    if (!(in >> ms) || ms <= 1) return {};
    return name + " waits " + std::to_string(ms) +
           " ms before passing on what it received, which slows every exchange; lower it with: "
           "echo 1 | sudo tee " +
           timer;
}
