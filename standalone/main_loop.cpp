#include "standalone/main_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sorvella {

void MainLoop::watch(int fd, Handler onReadable) {
    if (fd < 0) return;
    unwatch(fd);
    watches_.push_back({fd, std::move(onReadable)});
}

void MainLoop::unwatch(int fd) {
    std::erase_if(watches_, [fd](const Watch& w) { return w.fd == fd; });
}

void MainLoop::setTimer(std::chrono::milliseconds period, Handler tick) {
    period_ = period;
    tick_ = std::move(tick);
}

void MainLoop::quit(int code) {
    quitting_ = true;
    code_ = code;
}

int MainLoop::run() {
    using Clock = std::chrono::steady_clock;
    quitting_ = false;
    Clock::time_point nextTick = Clock::now() + period_;
    std::vector<pollfd> fds;
    while (!quitting_) {
        int timeout = -1;
        if (tick_ && period_.count() > 0) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
        }
        fds.clear();
        for (const Watch& w : watches_)
            fds.push_back({w.fd, POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) return 1;
        for (const pollfd& p : fds) {
            if (quitting_) break;
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            // Look the handler up again: an earlier handler may have removed it.
            auto it = std::find_if(watches_.begin(), watches_.end(),
                                   [&](const Watch& w) { return w.fd == p.fd; });
            if (it == watches_.end()) continue;
            Handler handler = it->onReadable;
            handler();
        }
        if (!quitting_ && tick_ && Clock::now() >= nextTick) {
            tick_();
            // A tick that ran late is not made up for: the next one is a period from now.
            nextTick = std::max(nextTick + period_, Clock::now());
        }
    }
    return code_;
}

int blockTerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return -1;
    return ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

void takeSignal(int fd) {
    signalfd_siginfo info;
    while (::read(fd, &info, sizeof info) < 0 && errno == EINTR) {
    }
}

}  // namespace sorvella
