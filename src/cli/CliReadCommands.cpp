// The commands that read the pedal, and set: one parameter of the running effect.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "link/Bridges.h"
#include "link/DeviceMonitor.h"
#include "params/ParameterMessages.h"
#include "protocol/Connection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <poll.h>

namespace {

// The levels a parameter takes, for the line that refuses another.
QString levelsOf(const ControlInfo& control) {
    switch (control.kind) {
    case ControlInfo::Kind::Pot:
        return QStringLiteral("0 to 1023");
    case ControlInfo::Kind::Switch:
    case ControlInfo::Kind::Button:
        return QStringLiteral("on or off");
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    return control.items.join(QStringLiteral(", ")) +
           QStringLiteral(", or a position from 0 to %1").arg(control.items.size() - 1);
}

} // namespace

namespace {

QJsonObject bridgeJson(const BridgeInfo& bridge) {
    return {{QStringLiteral("serial"), bridge.serial},
            {QStringLiteral("route"), bridge.route},
            {QStringLiteral("description"), bridge.description}};
}

// How long a look for news waits before it sees whether Ctrl+C was pressed.
constexpr int kFollowLookMs = 200;

} // namespace

int CliSession::devices(const CommandLine& line) {
    if (line.follow)
        return followDevices(line.json);
    const QList<BridgeInfo> bridges = listBridges(ctx_.link);
    if (bridges.isEmpty())
        return fail(QStringLiteral("no pedal found"));
    if (line.json) {
        QJsonArray list;
        for (const BridgeInfo& bridge : bridges)
            list << bridgeJson(bridge);
        out_ << QJsonDocument(list).toJson(QJsonDocument::Compact) << '\n';
    } else {
        for (const BridgeInfo& bridge : bridges)
            out_ << bridge.serial << '\t' << bridge.route << '\t' << bridge.description << '\n';
    }
    out_.flush();
    return kExitOk;
}

int CliSession::followDevices(bool json) {
    std::unique_ptr<DeviceMonitor> monitor = runtime_.makeMonitor ? runtime_.makeMonitor() : nullptr;
    if (!monitor || monitor->descriptor() < 0)
        return fail(QStringLiteral("bridges plugged in and pulled out cannot be followed here") +
                    (monitor && !monitor->problem().empty()
                         ? QStringLiteral(": ") + QString::fromStdString(monitor->problem())
                         : QString()));
    QList<BridgeInfo> attached = relistBridges(ctx_.line);
    const auto print = [&](const char* event, const BridgeInfo& bridge) {
        if (json) {
            QJsonObject object = bridgeJson(bridge);
            object.insert(QStringLiteral("event"), QString::fromLatin1(event));
            out_ << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        } else {
            out_ << event << '\t' << bridge.serial << '\t' << bridge.route << '\t' << bridge.description
                 << '\n';
        }
    };
    while (!runtime_.interrupted()) {
        // Asleep until there is news (or Ctrl+C, which ends the wait early).
        pollfd news{monitor->descriptor(), POLLIN, 0};
        if (poll(&news, 1, kFollowLookMs) <= 0)
            continue;
        if (monitor->takeChanges().empty()) {
            if (monitorFailed(monitor->descriptor()))
                return fail(QStringLiteral("the device monitor failed; bridges are no longer followed"));
            continue;
        }
        const QList<BridgeInfo> now = relistBridges(ctx_.line);
        const BridgeChanges changes = compareBridges(attached, now);
        attached = now;
        for (const BridgeInfo& bridge : changes.departed)
            print("departed", bridge);
        for (const BridgeInfo& bridge : changes.arrived)
            print("arrived", bridge);
        out_.flush();
        // A reader that has gone away (a closed pipe) ends the following.
        if (out_.status() != QTextStream::Ok)
            return fail(QStringLiteral("cannot write to standard output"));
    }
    return kExitOk;
}

int CliSession::info(const CommandLine& line) {
    if (!link() || !readStoredEffect())
        return status_;
    printEffect(line.json);
    return kExitOk;
}

int CliSession::state(const CommandLine& line) {
    if (!reachRunningEffect(true))
        return status_;
    printState(line.json);
    return kExitOk;
}

int CliSession::set(const CommandLine& line) {
    if (!reachRunningEffect(false))
        return status_;
    const ControlInfo* control = parameterNamed(line.operands.at(0));
    if (!control)
        return status_;
    const QString& typed = line.operands.at(1);
    const std::optional<std::int32_t> level = levelFromText(*control, typed);
    if (!level)
        return fail(QStringLiteral("%1 is no level of %2, which takes %3")
                        .arg(typed, control->caption, levelsOf(*control)),
                    kExitUsage);
    if (!isParameterAddress(control->address))
        return fail(QStringLiteral("%1 has no parameter address in its program").arg(control->caption));
    services_.messages.clear();
    sendParameterChange(ctx_.line, kindName(control->kind), control->index, control->address, *level, false);
    if (!services_.messages.isEmpty())
        return fail(QStringLiteral("the message did not reach the pedal: ") + lastMessage());
    out_ << control->caption << ": " << *level;
    if (control->kind != ControlInfo::Kind::Pot)
        out_ << " (" << levelText(*control, *level) << ")";
    out_ << Qt::endl;
    return kExitOk;
}

int CliSession::watch(const CommandLine&) {
    if (!link() || !readStoredEffect())
        return status_;
    if (stored_->stored() && !effectName_.isEmpty())
        controls_ = loadEffectControls(resources_, effectName_);
    while (!runtime_.interrupted()) {
        services_.messages.clear();
        if (ctx_.link.GetDeviceQueueStatus() != FT_OK)
            return fail(QStringLiteral("the pedal is gone: ") + lastMessage());
        if (ctx_.link.rxQueueBytes == 0) {
            services_.pause(2);
            continue;
        }
        const std::uint32_t n = ctx_.link.ReadDevice();
        try {
            printReports(QByteArray(reinterpret_cast<const char*>(ctx_.link.rxBuffer.data()), n));
        } catch (const std::exception& error) {
            // A garbled report is the pedal's fault, not the end of watching.
            err_ << "tarvo-max: a report that does not read: " << oneLine(QString::fromUtf8(error.what()))
                 << Qt::endl;
        }
    }
    return kExitOk;
}

int CliSession::completionWords(const CommandLine& line) {
    const QString what = line.operands.value(0);
    if (what != QLatin1String("parameters") && what != QLatin1String("readbacks"))
        return fail(QStringLiteral("nothing to list called %1").arg(what), kExitUsage);
    // The stored effect's question only: the words must come at once.
    if (!reachRunningEffect(false))
        return status_;
    if (what == QLatin1String("readbacks")) {
        for (const QString& name : controls_->layout.readbackLines)
            out_ << name << '\n';
    } else {
        for (const ControlInfo& c : controls_->parameters)
            out_ << c.caption << '\n';
    }
    out_.flush();
    return kExitOk;
}
