#include "standalone/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace sorvella {

namespace {

constexpr const char* kLockName = "sorvella-standalone.lock";
constexpr const char* kSocketName = "sorvella-standalone.sock";
constexpr char kRaise[] = "raise\n";
// The first copy may hold the lock a moment before its socket listens.
constexpr int kConnectTries = 20;
constexpr std::chrono::milliseconds kConnectPause{100};

bool socketAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool sendRaise(const std::string& path) {
    sockaddr_un address;
    if (!socketAddress(path, address)) return false;
    for (int attempt = 0; attempt < kConnectTries; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            const bool sent = ::send(fd, kRaise, sizeof kRaise - 1, MSG_NOSIGNAL) > 0;
            ::close(fd);
            return sent;
        }
        ::close(fd);
        std::this_thread::sleep_for(kConnectPause);
    }
    return false;
}

}  // namespace

std::optional<std::string> runtimeDirectory() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || dir[0] != '/') return std::nullopt;
    struct stat info;
    if (::stat(dir, &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return std::string(dir);
}

SingleInstance::SingleInstance(const std::optional<std::string>& directory) {
    if (!directory) return;
    const std::string lockPath = *directory + "/" + kLockName;
    socketPath_ = *directory + "/" + kSocketName;
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) return;
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        if (errno != EWOULDBLOCK) return;
        // Whether or not the request arrives, a second copy must not run beside the first.
        sendRaise(socketPath_);
        role_ = Role::kSecond;
        return;
    }
    role_ = Role::kFirst;
    sockaddr_un address;
    if (!socketAddress(socketPath_, address)) return;
    // A socket left by a copy that crashed is stale: the lock says nobody listens on it.
    ::unlink(socketPath_.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) return;
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

void SingleInstance::takeRequests(const std::function<void()>& onRaise) {
    if (listenFd_ < 0) return;
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        char buffer[sizeof kRaise] = {};
        // The request is a few bytes sent at once; a peer that sends nothing is not waited for.
        timeval timeout{0, 200000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        const ssize_t n = ::recv(fd, buffer, sizeof buffer - 1, 0);
        ::close(fd);
        if (n == static_cast<ssize_t>(sizeof kRaise - 1) && std::memcmp(buffer, kRaise, n) == 0 &&
            onRaise) {
            onRaise();
        }
    }
}

}  // namespace sorvella
