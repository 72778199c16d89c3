#include "tests/toolkit/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

namespace sorvella::test {
namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

pid_t spawn(const std::vector<std::string>& command, int keepFd) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // The child dies with the test, so no server outlives a crashed test.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    for (int fd = 3; fd < 256; ++fd) {
        if (fd != keepFd) close(fd);
    }
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

}  // namespace

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

bool XvfbServer::start(std::string& reason, bool& missing) {
    missing = !onPath("Xvfb");
    if (missing) {
        reason = "Xvfb is not installed (Debian package xvfb); the real-window tests need it";
        return false;
    }
    int ready[2];
    if (pipe(ready) != 0) {
        reason = "no pipe";
        return false;
    }
    // -noreset: the server would otherwise restart, refusing connections meanwhile, each time
    // its last client leaves.
    pid_ = spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "640x480x24",
                  "-nolisten", "tcp", "-noreset"},
                 ready[1]);
    close(ready[1]);
    // Xvfb writes its display number when it accepts connections.
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    while (poll(&wait, 1, 10000) > 0) {
        char c = 0;
        if (read(ready[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(ready[0]);
    if (number.empty()) {
        reason = "Xvfb did not start";
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

int runXdotool(const std::vector<std::string>& arguments, const std::function<void()>& pump) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(command, -1);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (int i = 0; i < 10; ++i) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sorvella::test
