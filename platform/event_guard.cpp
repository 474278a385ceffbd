#include "event_guard.h"

#include <stdexcept>

namespace platform {

void EventGuard::Deliver(QObject* sender, const std::exception& error) noexcept {
    if (!OnException) return;
    // The application-wide handler may itself fail (it shows a message box);
    // that must not reach Qt either.
    try {
        OnException(sender, error);
    } catch (...) {
    }
}

void EventGuard::DeliverUnknown(QObject* sender) noexcept {
    try {
        const std::runtime_error unnamed{std::string()};
        Deliver(sender, unnamed);
    } catch (...) {
    }
}

} // namespace platform
