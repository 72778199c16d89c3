// Files that must not outlive an interrupted run: the temporary files beside outputs being
// written. On SIGINT, SIGTERM, SIGHUP or SIGPIPE they are removed, and the process then dies of
// the same signal, so the shell sees the usual status (130 for Ctrl-C).
#pragma once

#include <string>

#include <signal.h>

namespace sorvella {

// Installs the handlers; call once, before any file is registered.
void installInterruptCleanup();

// Returns a slot to unregister with, or -1 when every slot is taken (a handful are).
int removeOnInterrupt(const std::string& path);
void keepOnInterrupt(int slot);

// Holds the cleaned signals back while alive, so a file created and then registered cannot be
// left behind by a signal that arrives between the two.
class InterruptsHeld {
  public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace sorvella
