#pragma once

#include "app/Convert.h"
#include "app/Services.h"

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

// Connects a signal to a handler through runGuarded. The handler takes either all of the
// signal's arguments or none.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(Services& services, Sender* sender, Signal signal, QObject* context,
                                       Handler handler) {
    return QObject::connect(sender, signal, context, [&services, handler](auto... args) {
        runGuarded(services, [&] {
            if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>)
                handler(args...);
            else
                handler();
        });
    });
}
