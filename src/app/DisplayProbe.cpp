#include "app/DisplayProbe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace tavik {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Connects to a Unix socket; a leading NUL names an abstract socket.
bool unixSocketAnswers(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, name.data(), name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    close(fd);
    return connected;
}

bool waylandAnswers(const std::string& display) {
    if (display.front() == '/') return unixSocketAnswers(display);
    const std::string runtimeDir = environmentValue("XDG_RUNTIME_DIR");
    return !runtimeDir.empty() && unixSocketAnswers(runtimeDir + "/" + display);
}

// DISPLAY is [host]:number[.screen]; only a local server is probed.
bool x11Answers(const std::string& display) {
    const auto colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true;
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string path = "/tmp/.X11-unix/X" + number;
    return unixSocketAnswers(std::string(1, '\0') + path) || unixSocketAnswers(path);
}

}  // namespace

DisplayProbeResult probeDisplay() {
    DisplayProbeResult result;
    const std::string wayland = environmentValue("WAYLAND_DISPLAY");
    const std::string x11 = environmentValue("DISPLAY");
    if (!wayland.empty()) {
        if (waylandAnswers(wayland)) return {true, {}};
        result.tried = "WAYLAND_DISPLAY=" + wayland;
    }
    if (!x11.empty()) {
        if (x11Answers(x11)) return {true, {}};
        result.tried += (result.tried.empty() ? "" : ", ") + std::string("DISPLAY=") + x11;
    }
    return result;
}

}  // namespace tavik
