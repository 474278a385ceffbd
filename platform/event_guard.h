// Qt does not carry exceptions through its event loop: one that leaves a slot
// ends the program. Every event handler of a window is therefore connected
// through one EventGuard, which runs the handler, catches what escapes it and
// hands it to the window's application-wide handler (OnException). What the
// handler did before the exception stays done.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace platform {

class EventGuard : public QObject {
  public:
    using ExceptionHandler = std::function<void(QObject* sender, const std::exception& error)>;

    explicit EventGuard(QObject* parent = nullptr) : QObject(parent) {}

    // Receives every exception that escapes a guarded handler. Anything thrown
    // that is not a std::exception arrives as one with an empty message.
    ExceptionHandler OnException;

    // Runs `handler` for `sender`; never lets an exception out.
    template <class F> void Run(QObject* sender, F&& handler) noexcept {
        try {
            std::forward<F>(handler)();
        } catch (const std::exception& error) {
            Deliver(sender, error);
        } catch (...) {
            DeliverUnknown(sender);
        }
    }

    // Connects `signal` of `sender` to `handler` through the guard. The handler
    // takes either nothing or exactly the signal's arguments. The connection
    // ends with the guard, so deleting the guard first makes a window's
    // teardown safe from late signals.
    template <class Sender, class Signal, class F>
    QMetaObject::Connection Connect(Sender* sender, Signal signal, F handler) {
        if constexpr (std::is_invocable_v<F&>) {
            return QObject::connect(sender, signal, this,
                                    [this, sender, handler]() mutable { Run(sender, handler); });
        } else {
            return ConnectWithArguments(sender, signal, std::move(handler));
        }
    }

  private:
    template <class Sender, class Owner, class... Args, class F>
    QMetaObject::Connection ConnectWithArguments(Sender* sender, void (Owner::*signal)(Args...),
                                                 F handler) {
        return QObject::connect(sender, signal, this,
                                [this, sender, handler](Args... args) mutable {
                                    Run(sender, [&] { handler(args...); });
                                });
    }

    void Deliver(QObject* sender, const std::exception& error) noexcept;
    void DeliverUnknown(QObject* sender) noexcept;
};

} // namespace platform
