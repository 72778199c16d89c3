#include "tests/toolkit/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

// Last: Xlib defines macros (None, Bool, Status) that clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

void XvfbTest::SetUp() {
    std::string reason;
    bool missing = false;
    if (!server_.start(reason, missing)) {
        if (missing) GTEST_SKIP() << reason;
        FAIL() << reason;
    }
}

HostWindow::HostWindow(int width, int height) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    window_ =
        XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect, &attributes);
    XMapWindow(display_, window_);
    XSync(display_, False);
}

HostWindow::~HostWindow() {
    if (display_ == nullptr) return;
    destroy();
    XCloseDisplay(display_);
}

void HostWindow::destroy() {
    if (display_ == nullptr) return;
    if (window_ != 0) XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
}

std::vector<unsigned long> HostWindow::grab(int x, int y, int width, int height) {
    XSync(display_, False);
    // The root's picture holds the host window's children as shown.
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    std::vector<unsigned long> pixels;
    if (!image) return pixels;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            pixels.push_back(XGetPixel(image, i, j));
    XDestroyImage(image);
    return pixels;
}

int runXdotool(const std::string& script, const std::function<void()>& pump) {
    std::vector<std::string> command{"xdotool"};
    std::istringstream words(script);
    for (std::string word; words >> word;)
        command.push_back(word);
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
