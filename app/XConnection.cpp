#include "app/XConnection.h"

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {
constexpr int kFdsToScan = 1024;  // the usual soft limit; a connection made at start-up has a low number
constexpr char kServerSocket[] = "/tmp/.X11-unix/X";
}  // namespace

bool xConnectionClosed()
{
    for (int fd = 0; fd < kFdsToScan; ++fd) {
        sockaddr_un peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sun_family != AF_UNIX)
            continue;
        const char* name = peer.sun_path[0] ? peer.sun_path : peer.sun_path + 1;  // a path, or an abstract name
        if (std::strncmp(name, kServerSocket, sizeof kServerSocket - 1) != 0) continue;
        pollfd p{fd, POLLRDHUP, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) return true;
    }
    return false;
}
