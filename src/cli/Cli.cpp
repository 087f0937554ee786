#include "cli/Cli.h"

#include "cli/CliSession.h"
#include "sim/DemoDriver.h"
#include "sim/VirtualDriver.h"

#include <QMap>

#ifndef TARVO_FILE_VERSION
#define TARVO_FILE_VERSION "1.0.0.0"
#endif

namespace {

const char* const kUsage =
    "Usage: tarvo-max [--virtual] [--serial SERIAL] [--verbose] COMMAND [OPTIONS]\n"
    "The Tarvo Max editor's work from the command line.\n"
    "\n"
    "Commands:\n"
    "  devices            list the pedals found and how each is reached\n"
    "  info [--json]      the effect stored on the pedal and its firmware version\n"
    "  state [--json]     the running effect's parameters and the MIDI channel\n"
    "  set PARAM LEVEL    set one parameter of the running effect\n"
    "  watch              print what the pedal reports as it happens, until Ctrl+C\n"
    "\n"
    "Options:\n"
    "  --virtual          use the virtual pedal (as does TARVO_MAX_VIRTUAL_PEDAL=1)\n"
    "  --serial SERIAL    the pedal's bridge, by serial number (default: the one found last)\n"
    "  --verbose          also print the protocol log on standard error\n"
    "  --help             this text; COMMAND --help tells more about a command\n"
    "  --version          the program's version\n"
    "\n"
    "TARVO_MAX_SERIAL_PORT=PATH adds a serial port by its path (a pseudo-terminal, say),\n"
    "found last, so it is the one used.\n"
    "\n"
    "Exit status: 0 done; 1 the pedal was not found or did not answer sensibly; 2 the\n"
    "command line asks for something that cannot be.\n"
    "\n"
    "Example:\n"
    "  tarvo-max --virtual state\n";

const QMap<QString, const char*>& commandHelp() {
    static const QMap<QString, const char*> help = {
        {"devices", "Usage: tarvo-max devices\n"
                    "Lists the pedals found, in the order the editor finds them (the last is the one\n"
                    "used), one a line: serial number, how it is reached (direct, kernel serial,\n"
                    "named port or virtual) and description, separated by tabs.\n"
                    "\n"
                    "Example:\n"
                    "  tarvo-max devices\n"},
        {"info", "Usage: tarvo-max info [--json]\n"
                 "Links to the pedal and prints the effect stored on it (catalogue number, name and\n"
                 "version) and its firmware version; --json prints them as one JSON object.\n"
                 "\n"
                 "Example:\n"
                 "  tarvo-max --virtual info\n"},
        {"state", "Usage: tarvo-max state [--json]\n"
                  "Links to the pedal, reads the stored effect and the running effect's settings,\n"
                  "and prints each parameter by its caption with its level (a pot 0 to 1023, a\n"
                  "switch 0 or 1024 with its text, a selector's level with its item), then the MIDI\n"
                  "channel; --json prints the same as one JSON object.\n"
                  "\n"
                  "Example:\n"
                  "  tarvo-max --virtual state --json\n"},
        {"set", "Usage: tarvo-max set PARAM LEVEL\n"
                "Sets one parameter of the running effect. PARAM is its caption (any letter case)\n"
                "or its index; LEVEL is 0 to 1023 for a pot, on or off for a switch or a button,\n"
                "and an item's text or its position (from 0) for a selector. A level the\n"
                "parameter cannot take is refused and nothing is sent.\n"
                "\n"
                "Example:\n"
                "  tarvo-max set Feedback 700\n"},
        {"watch", "Usage: tarvo-max watch\n"
                  "Links to the pedal and prints what it reports unasked, one line each, until\n"
                  "interrupted (Ctrl+C): bank changes, effect changes, the end of an upload, knobs\n"
                  "and switches moved on the pedal (with the parameter's caption) and memory dumps.\n"
                  "\n"
                  "Example:\n"
                  "  tarvo-max watch\n"},
    };
    return help;
}

struct Options {
    bool virtualPedal = false;
    bool verbose = false;
    bool json = false;
    bool help = false;
    bool version = false;
    QString serial;
    QString command;
    QStringList operands;
};

// Options may stand anywhere; the first word that is not one is the command.
bool parseArguments(const QStringList& args, Options& options, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--virtual"))
            options.virtualPedal = true;
        else if (arg == QLatin1String("--verbose"))
            options.verbose = true;
        else if (arg == QLatin1String("--json"))
            options.json = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.help = true;
        else if (arg == QLatin1String("--version"))
            options.version = true;
        else if (arg == QLatin1String("--serial") && i + 1 < args.size())
            options.serial = args.at(++i);
        else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unknown option %1 (see tarvo-max --help)").arg(arg);
            return false;
        } else if (options.command.isEmpty())
            options.command = arg;
        else
            options.operands << arg;
    }
    return true;
}

int usageError(QTextStream& err, const QString& text) {
    err << "tarvo-max: " << text << Qt::endl;
    return kExitUsage;
}

int runCommand(const Options& options, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    const bool virtualPedal = options.virtualPedal || virtualPedalWanted();
    // Asked for, the virtual pedal is the one used, even with a real one attached.
    const QString serial = options.serial.isEmpty() && virtualPedal
                               ? QString::fromLatin1(VirtualDriver::kSerialNumber)
                               : options.serial;
    CliSession session(runtime, runtime.makeDriver(virtualPedal), out, err, options.verbose);
    if (options.command == QLatin1String("devices"))
        return session.devices();
    if (options.command == QLatin1String("info"))
        return session.info(serial, options.json);
    if (options.command == QLatin1String("state"))
        return session.state(serial, options.json);
    if (options.command == QLatin1String("set"))
        return session.set(serial, options.operands.at(0), options.operands.at(1));
    return session.watch(serial);
}

} // namespace

int runCli(const QStringList& args, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    Options options;
    QString error;
    if (!parseArguments(args, options, error))
        return usageError(err, error);
    if (options.version) {
        out << "tarvo-max " << TARVO_FILE_VERSION << Qt::endl;
        return kExitOk;
    }
    if (options.command.isEmpty()) {
        (options.help ? out : err) << kUsage;
        return options.help ? kExitOk : kExitUsage;
    }
    if (!commandHelp().contains(options.command))
        return usageError(err,
                          QStringLiteral("unknown command %1 (see tarvo-max --help)").arg(options.command));
    if (options.help) {
        out << commandHelp().value(options.command);
        return kExitOk;
    }
    const qsizetype wanted = options.command == QLatin1String("set") ? 2 : 0;
    if (options.operands.size() != wanted)
        return usageError(
            err, QStringLiteral("%1 takes %2 (see tarvo-max %3 --help)")
                     .arg(options.command,
                          wanted ? QStringLiteral("PARAM and LEVEL") : QStringLiteral("no other words"),
                          options.command));
    return runCommand(options, runtime, out, err);
}
