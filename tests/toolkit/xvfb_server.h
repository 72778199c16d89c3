// An Xvfb server of the test's own on a display number it picks itself, stopped (and never left
// behind, even when the test dies) when the object goes; a host's window on it; and xdotool runs
// beside a pumping loop.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct _XDisplay;

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

// A test on a server of its own; skipped where Xvfb is not installed.
class XvfbTest : public ::testing::Test {
  protected:
    void SetUp() override;
    XvfbServer server_;
};

// The host: its own connection and a window at the screen's top-left corner.
class HostWindow {
  public:
    HostWindow(int width, int height);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    void destroy();
    std::uintptr_t id() const { return window_; }
    // The pixels of an area of the screen as the host's connection sees them.
    std::vector<unsigned long> grab(int x, int y, int width, int height);

  private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
};

// Runs xdotool with the words of the script while calling pump every few milliseconds, until it
// exits. Answers its exit status.
int runXdotool(const std::string& script, const std::function<void()>& pump);

}  // namespace sorvella::test
