#include "controlsocketpath.h"

#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace VyraSim {

std::string ControlSocketPath::resolve(std::string *why)
{
    std::string path;
    const char *chosen = std::getenv(variable);
    if (chosen && *chosen) {
        if (std::string(chosen) == "off") {
            if (why)
                *why = std::string("the control socket is disabled (") + variable + "=off)";
            return std::string();
        }
        path = chosen;
    } else {
        const char *runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        struct stat info;
        if (runtimeDir && *runtimeDir == '/' && ::stat(runtimeDir, &info) == 0 &&
            S_ISDIR(info.st_mode))
            path = std::string(runtimeDir) + "/vyrasim-control.sock";
        else
            path = "/tmp/vyrasim-" + std::to_string(::getuid()) + ".sock";
    }
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        if (why)
            *why = "the control socket path is longer than a socket address allows: " + path;
        return std::string();
    }
    return path;
}

} // namespace VyraSim
