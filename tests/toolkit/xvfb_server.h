// An Xvfb server of the test's own on a display number it picks itself, stopped (and never left
// behind, even when the test dies) when the object goes; and xdotool runs beside a pumping loop.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace sorvella::test {

class XvfbServer {
  public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server and points DISPLAY at it. False with a reason: skip when Xvfb is not
    // installed, fail otherwise.
    bool start(std::string& reason, bool& missing);

  private:
    pid_t pid_ = -1;
};

// Runs xdotool with the arguments while calling pump every few milliseconds, until it exits.
// Answers its exit status.
int runXdotool(const std::vector<std::string>& arguments, const std::function<void()>& pump);

}  // namespace sorvella::test
