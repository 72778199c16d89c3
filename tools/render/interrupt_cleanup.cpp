#include "tools/render/interrupt_cleanup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace sorvella {
namespace {

constexpr int kSlots = 8;
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The handler reads these, so they are filled before the slot is marked in use.
char gPaths[kSlots][PATH_MAX];
std::atomic<bool> gInUse[kSlots];
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void removeAndDie(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (gInUse[i].load()) ::unlink(gPaths[i]);
    }
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void installInterruptCleanup() {
    for (int signal : kCleanedSignals) {
        struct sigaction action {};
        action.sa_handler = &removeAndDie;
        sigemptyset(&action.sa_mask);
        for (int other : kCleanedSignals)
            sigaddset(&action.sa_mask, other);
        // A signal the parent ignores (nohup, a pipeline's SIGPIPE policy) stays ignored.
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

int removeOnInterrupt(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (gInUse[i].load()) continue;
        std::memcpy(gPaths[i], path.c_str(), path.size() + 1);
        gInUse[i].store(true);
        return i;
    }
    return -1;
}

InterruptsHeld::InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kCleanedSignals)
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptsHeld::~InterruptsHeld() {
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void keepOnInterrupt(int slot) {
    if (slot >= 0 && slot < kSlots) gInUse[slot].store(false);
}

}  // namespace sorvella
