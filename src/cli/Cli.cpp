#include "cli/Cli.h"

#include "cli/CliCommandLine.h"
#include "cli/CliHelp.h"
#include "cli/CliSession.h"
#include "sim/DemoDriver.h"
#include "sim/VirtualDriver.h"

#ifndef TARVO_FILE_VERSION
#define TARVO_FILE_VERSION "1.0.0.0"
#endif

namespace {

// What a command takes: how many words follow it, the options of its own, and what runs it.
struct CommandRule {
    const char* name;
    int minOperands;
    int maxOperands; // -1: any number (an effect's name in words)
    const char* operandsText;
    QStringList options;
    int (CliSession::*run)(const CommandLine&);
};

const CommandRule kCommands[] = {
    {"devices", 0, 0, "no other words", {}, &CliSession::devices},
    {"info", 0, 0, "no other words", {"--json"}, &CliSession::info},
    {"state", 0, 0, "no other words", {"--json"}, &CliSession::state},
    {"set", 2, 2, "PARAM and LEVEL", {}, &CliSession::set},
    {"watch", 0, 0, "no other words", {}, &CliSession::watch},
    {"upload", 1, -1, "the effect's NAME", {"--bank", "--ir"}, &CliSession::upload},
    {"assign", 2, 3, "PARAM and CONTROL", {"--yes"}, &CliSession::assign},
    {"reverse", 2, 2, "PARAM and on or off", {}, &CliSession::reverse},
    {"midi", 1, 1, "OMNI or a channel from 1 to 16", {}, &CliSession::midi},
    {"mode", 1, 1, "preset or bank", {}, &CliSession::mode},
    {"store", 0, 0, "no other words", {}, &CliSession::store},
    {"erase-settings", 0, 0, "no other words", {"--yes"}, &CliSession::eraseSettings},
    {"memory", 2, 2, "dump or erase, and 50 or 51", {"--yes", "-o"}, &CliSession::memory},
    {"preset", 2, 2, "save or load, and a FILE", {}, &CliSession::preset},
    {"ir", 1, 1, "the WAV file", {"--effect", "-o", "--bank"}, &CliSession::impulseResponse},
    {"coeff", 3, 3, "NOTE, Q and BOOST", {}, &CliSession::coefficients},
    {"flash", 0, 1, "at most the firmware's NAME", {"--yes", "--bootloader", "--image"}, &CliSession::flash},
};

// Options that any command takes.
const QStringList kGlobalOptions = {"--virtual", "--verbose", "--help", "--version", "--serial"};

struct FlagOption {
    const char* name;
    bool CommandLine::*field;
};
const FlagOption kFlags[] = {
    {"--virtual", &CommandLine::virtualPedal},
    {"--verbose", &CommandLine::verbose},
    {"--json", &CommandLine::json},
    {"--yes", &CommandLine::yes},
    {"--help", &CommandLine::help},
    {"-h", &CommandLine::help},
    {"--version", &CommandLine::version},
    {"--bootloader", &CommandLine::bootloader},
};

struct ValueOption {
    const char* name;
    const char* canonical;
    QString CommandLine::*field;
};
const ValueOption kValueOptions[] = {
    {"--serial", "--serial", &CommandLine::serial},
    {"--bank", "--bank", &CommandLine::bank},
    {"-o", "-o", &CommandLine::output},
    {"--output", "-o", &CommandLine::output},
    {"--effect", "--effect", &CommandLine::effect},
    {"--ir", "--ir", &CommandLine::ir},
    {"--image", "--image", &CommandLine::image},
};

// Takes the option at args[i] (and its value), if it is one. False when it is no option.
bool takeOption(const QStringList& args, int& i, CommandLine& line, QString& error) {
    const QString& arg = args.at(i);
    for (const FlagOption& flag : kFlags)
        if (arg == QLatin1String(flag.name)) {
            line.*flag.field = true;
            line.given << arg;
            return true;
        }
    for (const ValueOption& option : kValueOptions)
        if (arg == QLatin1String(option.name)) {
            if (i + 1 >= args.size())
                error = QStringLiteral("%1 needs a value (see tarvo-max --help)").arg(arg);
            else
                line.*option.field = args.at(++i);
            line.given << QString::fromLatin1(option.canonical);
            return true;
        }
    // A bare "--" is a word of its own: the none of the control lists.
    const bool option = arg.startsWith(QLatin1String("--")) && arg != QLatin1String("--");
    if (option)
        error = QStringLiteral("unknown option %1 (see tarvo-max --help)").arg(arg);
    return option;
}

// Options may stand anywhere; the first word that is not one is the command.
bool parseArguments(const QStringList& args, CommandLine& line, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        if (takeOption(args, i, line, error)) {
            if (!error.isEmpty())
                return false;
        } else if (line.command.isEmpty()) {
            line.command = args.at(i);
        } else {
            line.operands << args.at(i);
        }
    }
    return true;
}

int usageError(QTextStream& err, const QString& text) {
    err << "tarvo-max: " << text << Qt::endl;
    return kExitUsage;
}

const CommandRule* ruleOf(const QString& command) {
    for (const CommandRule& rule : kCommands)
        if (command == QLatin1String(rule.name))
            return &rule;
    return nullptr;
}

// The command's words and options as its rule allows them; empty when they fit.
QString misfit(const CommandRule& rule, const CommandLine& line) {
    const auto count = static_cast<int>(line.operands.size());
    if (count < rule.minOperands || (rule.maxOperands >= 0 && count > rule.maxOperands))
        return QStringLiteral("%1 takes %2 (see tarvo-max %1 --help)")
            .arg(line.command, QString::fromLatin1(rule.operandsText));
    for (const QString& option : line.given)
        if (!kGlobalOptions.contains(option) && !rule.options.contains(option))
            return QStringLiteral("%1 takes no %2 (see tarvo-max %1 --help)").arg(line.command, option);
    return {};
}

int runCommand(const CommandLine& line, const CommandRule& rule, CliRuntime& runtime, QTextStream& out,
               QTextStream& err) {
    const bool virtualPedal = line.virtualPedal || virtualPedalWanted();
    // Asked for, the virtual pedal is the one used, even with a real one attached.
    const QString serial = line.serial.isEmpty() && virtualPedal
                               ? QString::fromLatin1(VirtualDriver::kSerialNumber)
                               : line.serial;
    CliSession session(runtime, runtime.makeDriver(virtualPedal), out, err, line.verbose, serial);
    return (session.*rule.run)(line);
}

} // namespace

int runCli(const QStringList& args, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    CommandLine line;
    QString error;
    if (!parseArguments(args, line, error))
        return usageError(err, error);
    if (line.version) {
        out << "tarvo-max " << TARVO_FILE_VERSION << Qt::endl;
        return kExitOk;
    }
    if (line.command.isEmpty()) {
        (line.help ? out : err) << usageText();
        return line.help ? kExitOk : kExitUsage;
    }
    const CommandRule* rule = ruleOf(line.command);
    if (!rule)
        return usageError(err, QStringLiteral("unknown command %1 (see tarvo-max --help)").arg(line.command));
    if (line.help) {
        out << commandHelp(line.command);
        return kExitOk;
    }
    if (const QString wrong = misfit(*rule, line); !wrong.isEmpty())
        return usageError(err, wrong);
    return runCommand(line, *rule, runtime, out, err);
}
