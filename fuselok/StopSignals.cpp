#include "StopSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGTERM, SIGINT, SIGHUP};

// What the handler may touch: a flag and the write end of a pipe the event
// loop watches (the only way out of a signal handler into Qt).
volatile std::sig_atomic_t received = 0;
int wake[2] = {-1, -1};
std::array<struct sigaction, kStopSignals.size()> before;

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    if (received == 0) received = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop(std::move(onStop)) {
    // Neither end may reach a program started from the Tools menu.
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        wake[0] = wake[1] = -1;
        return;
    }
    notifier = std::make_unique<QSocketNotifier>(wake[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        ssize_t n;
        while ((n = ::read(wake[0], bytes, sizeof bytes)) > 0)
            for (ssize_t i = 0; i < n; ++i)
                this->onStop();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], nullptr, &before[i]);
        // A signal the program was started to ignore (nohup) stays ignored.
        if (before[i].sa_handler != SIG_IGN) ::sigaction(kStopSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    if (!notifier) return;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        ::sigaction(kStopSignals[i], &before[i], nullptr);
    notifier.reset();
    for (int& fd : wake) {
        ::close(fd);
        fd = -1;
    }
}

int StopSignals::Received() {
    return received;
}
