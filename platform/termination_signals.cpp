#include "platform/termination_signals.h"

#include <csignal>

#include <pthread.h>

namespace trevalon::platform {
namespace {

// SIGUSR2 only wakes the waiter when its owner ends it.
sigset_t WaitedSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR2);
    return signals;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onTermination)
    : onTermination_(std::move(onTermination)) {
    const sigset_t signals = WaitedSignals();
    pthread_sigmask(SIG_BLOCK, &signals, &previousMask_);
    waiter_ = std::thread([this] { Wait(); });
}

TerminationSignals::~TerminationSignals() {
    pthread_kill(waiter_.native_handle(), SIGUSR2);
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void TerminationSignals::Wait() {
    const sigset_t signals = WaitedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0 || signal == SIGUSR2) {
            return;
        }
        onTermination_();
    }
}

}  // namespace trevalon::platform
