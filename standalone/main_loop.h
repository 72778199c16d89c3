// The program's one loop: poll() over the descriptors that wake it (the X connection, the
// single-instance socket, the signals that end the program) and one periodic timer, all on the
// main thread.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

namespace sorvella {

class MainLoop {
  public:
    using Handler = std::function<void()>;

    // onReadable runs whenever fd has input; a handler may add or remove descriptors.
    void watch(int fd, Handler onReadable);
    void unwatch(int fd);
    // tick runs every period, measured on the monotonic clock from run() on.
    void setTimer(std::chrono::milliseconds period, Handler tick);
    // Ends run() with the code once the current handler returns.
    void quit(int code);
    int run();

  private:
    struct Watch {
        int fd;
        Handler onReadable;
    };
    std::vector<Watch> watches_;
    std::chrono::milliseconds period_{0};
    Handler tick_;
    bool quitting_ = false;
    int code_ = 0;
};

// Blocks SIGINT, SIGTERM and SIGHUP in this thread, and so in every thread started after it, and
// gives a descriptor that becomes readable when one arrives. -1 on failure.
int blockTerminationSignals();
// Reads one pending signal from that descriptor.
void takeSignal(int fd);

}  // namespace sorvella
