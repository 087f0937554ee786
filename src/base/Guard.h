#pragma once

#include "base/Convert.h"
#include "base/Services.h"

#include <QObject>
#include <exception>
#include <type_traits>
#include <utility>

// Runs a handler so that a conversion error (or any other exception) ends only that handler
// and reaches the user through the general error report; nothing crosses the event loop.
template <typename Fn> void runGuarded(Services& services, Fn&& handler) {
    try {
        std::forward<Fn>(handler)();
    } catch (const ConversionError& error) {
        services.reportError(error.text());
    } catch (const std::exception& error) {
        services.reportError(QString::fromLocal8Bit(error.what()));
    }
}

namespace guard_detail {
// A slot with exactly the signal's arguments, so that nothing has to guess how many it takes.
template <typename Class, typename... Args, typename Handler>
auto slotFor(Services& services, void (Class::*)(Args...), Handler handler) {
    return [&services, handler](Args... args) { runGuarded(services, [&] { handler(args...); }); };
}
} // namespace guard_detail

// Connects a signal to a handler through runGuarded. The handler takes either all of the
// signal's arguments or none.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(Services& services, Sender* sender, Signal signal, QObject* context,
                                       Handler handler) {
    if constexpr (std::is_invocable_v<const Handler&>)
        return QObject::connect(sender, signal, context,
                                [&services, handler] { runGuarded(services, handler); });
    else
        return QObject::connect(sender, signal, context, guard_detail::slotFor(services, signal, handler));
}

// Runs `fn` when the scope it was made in ends, however it ends: a handler's way to put things
// back (the receive poll, a button) even when a conversion error cuts it short.
template <typename Fn> class ScopeExit {
public:
    explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
    ~ScopeExit() { fn_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Fn fn_;
};

template <typename Fn> [[nodiscard]] ScopeExit<Fn> onScopeExit(Fn fn) {
    return ScopeExit<Fn>(std::move(fn));
}
