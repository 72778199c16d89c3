// One running copy per user session: a lock file in $XDG_RUNTIME_DIR. The copy holding the lock
// listens on a socket beside it; a later start sends it a request to raise its window and ends.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace sorvella {

// $XDG_RUNTIME_DIR when it names a directory by an absolute path.
std::optional<std::string> runtimeDirectory();

class SingleInstance {
  public:
    enum class Role {
        kFirst,      // this copy holds the lock and takes requests
        kSecond,     // another copy runs; it was asked to raise its window
        kUnchecked,  // no runtime directory or lock: run without the check
    };

    explicit SingleInstance(const std::optional<std::string>& directory = runtimeDirectory());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role role() const { return role_; }
    // The listening socket, for the main loop's poll(); -1 when there is none.
    int requestFd() const { return listenFd_; }
    // Takes the waiting requests; onRaise runs once for each raise request.
    void takeRequests(const std::function<void()>& onRaise);

  private:
    Role role_ = Role::kUnchecked;
    int lockFd_ = -1;
    int listenFd_ = -1;
    std::string socketPath_;
};

}  // namespace sorvella
