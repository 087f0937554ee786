#include "cli/Cli.h"

#include "cli/CliCommandLine.h"
#include "cli/CliHelp.h"
#include "cli/CliNames.h"
#include "cli/CliSession.h"
#include "cli/CliVirtualPedal.h"
#include "console/FilterCoefficients.h"
#include "firmware/FirmwareImage.h"
#include "params/PresetLibrary.h"
#include "sim/DemoDriver.h"
#include "sim/VirtualDriver.h"

#include <QDir>
#include <QIODevice>

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
    {"devices", 0, 0, "no other words", {"--follow", "--json"}, &CliSession::devices},
    {"info", 0, 0, "no other words", {"--json"}, &CliSession::info},
    {"state", 0, 0, "no other words", {"--json"}, &CliSession::state},
    {"set", 2, 2, "PARAM and LEVEL", {}, &CliSession::set},
    {"watch", 0, 0, "no other words", {}, &CliSession::watch},
    {"upload", 1, -1, "the effect's NAME", {"--bank", "--ir", "--yes"}, &CliSession::upload},
    {"assign", 2, 3, "PARAM and CONTROL", {"--yes"}, &CliSession::assign},
    {"reverse", 2, 2, "PARAM and on or off", {}, &CliSession::reverse},
    {"midi", 1, 1, "OMNI or a channel from 1 to 16", {}, &CliSession::midi},
    {"mode", 1, 1, "preset or bank", {}, &CliSession::mode},
    {"store", 0, 0, "no other words", {}, &CliSession::store},
    {"erase-settings", 0, 0, "no other words", {"--yes"}, &CliSession::eraseSettings},
    {"memory", 2, 2, "dump or erase, and 50 or 51", {"--yes", "-o"}, &CliSession::memory},
    {"preset", 2, 2, "save or load, and a FILE", {}, &CliSession::preset},
    {"library", 1, 3, "an action and its NAMEs", {"--json", "--yes"}, &CliSession::library},
    {"backup", 1, 1, "the backup's FILE", {}, &CliSession::backup},
    {"restore", 1, 1, "the backup's FILE", {"--yes"}, &CliSession::restore},
    {"ir", 1, 1, "the WAV file", {"--effect", "-o", "--bank"}, &CliSession::impulseResponse},
    {"coeff", 3, 3, "NOTE, Q and BOOST", {}, &CliSession::coefficients},
    {"flash",
     0,
     1,
     "at most the firmware's NAME",
     {"--yes", "--bootloader", "--image", "--verify"},
     &CliSession::flash},
    {"firmware", 1, 1, "read", {"-o", "--size", "--yes", "--bootloader"}, &CliSession::firmware},
    {"bootloader", 1, 1, "info", {"--yes", "--bootloader", "--json"}, &CliSession::bootloader},
};

// The shell's completion asks the program for its words (tarvo-max.bash); no person types it.
const CommandRule kCompleteRule = {"__complete", 1, 2, "what to list", {}, &CliSession::completionWords};

// Options that any command takes.
const QStringList kGlobalOptions = {"--virtual", "--virtual-reset", "--verbose",
                                    "--help",    "--version",       "--serial"};

struct FlagOption {
    const char* name;
    bool CommandLine::*field;
};
const FlagOption kFlags[] = {
    {"--virtual", &CommandLine::virtualPedal},
    {"--virtual-reset", &CommandLine::virtualReset},
    {"--verbose", &CommandLine::verbose},
    {"--json", &CommandLine::json},
    {"--yes", &CommandLine::yes},
    {"--help", &CommandLine::help},
    {"-h", &CommandLine::help},
    {"--version", &CommandLine::version},
    {"--bootloader", &CommandLine::bootloader},
    {"--verify", &CommandLine::verify},
    {"--follow", &CommandLine::follow},
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
    {"--size", "--size", &CommandLine::size},
};

// Takes the option at args[i] (and its value, the next word or after "="), if it is one. False
// when it is no option. An option that is none, or lacks its value, is noted in badOption.
bool takeOption(const QStringList& args, int& i, CommandLine& line) {
    const QString& arg = args.at(i);
    // A bare "--" is a word of its own: the none of the control lists.
    if (!arg.startsWith(u'-') || arg == QLatin1String("--") || arg == QLatin1String("-"))
        return false;
    const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf(u'=') : -1;
    const QString name = equals < 0 ? arg : arg.left(equals);
    const auto note = [&](const QString& problem) {
        if (line.badOption.isEmpty())
            line.badOption = problem;
        return true;
    };
    for (const FlagOption& flag : kFlags)
        if (name == QLatin1String(flag.name)) {
            if (equals >= 0)
                return note(QStringLiteral("%1 takes no value").arg(name));
            line.*flag.field = true;
            line.given << name;
            return true;
        }
    for (const ValueOption& option : kValueOptions)
        if (name == QLatin1String(option.name)) {
            if (equals >= 0)
                line.*option.field = arg.mid(equals + 1);
            else if (i + 1 < args.size())
                line.*option.field = args.at(++i);
            else
                note(QStringLiteral("%1 needs a value").arg(name));
            line.given << QString::fromLatin1(option.canonical);
            return true;
        }
    // A word such as -1 is a level or a boost, not an option.
    if (!arg.startsWith(QLatin1String("--")))
        return false;
    return note(QStringLiteral("unknown option %1").arg(name));
}

// Options may stand anywhere; the first word that is not one is the command.
void parseArguments(const QStringList& args, CommandLine& line) {
    for (int i = 0; i < args.size(); ++i) {
        if (takeOption(args, i, line))
            continue;
        if (line.command.isEmpty())
            line.command = args.at(i);
        else
            line.operands << args.at(i);
    }
}

int usageError(QTextStream& err, const QString& text) {
    err << "tarvo-max: " << oneLine(text) << Qt::endl;
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

// `keepPedal`: whether what the command did to the virtual pedal is kept for the next run. A
// shell asking for words keeps nothing, so it can never overwrite what a command running
// meanwhile keeps.
int runCommand(const CommandLine& line, const CommandRule& rule, CliRuntime& runtime, QTextStream& out,
               QTextStream& err, bool keepPedal = true) {
    const bool virtualPedal = line.virtualPedal || line.virtualReset || virtualPedalWanted();
    // Asked for, the virtual pedal is the one used, even with a real one attached.
    const QString serial = line.serial.isEmpty() && virtualPedal
                               ? QString::fromLatin1(VirtualDriver::kSerialNumber)
                               : line.serial;
    const QString statePath = virtualPedalStatePath();
    VirtualPedalLoad pedal;
    if (virtualPedal) {
        pedal = loadVirtualPedal(statePath);
        if (!pedal.driver) {
            err << "tarvo-max: " << oneLine(pedal.problem) << Qt::endl;
            return kExitFailed;
        }
    }
    VirtualDriver* kept = keepPedal ? pedal.driver.get() : nullptr;
    CliSession session(runtime, makeEditorDriver(runtime.makeDriver(), std::move(pedal.driver)), out, err,
                       line.verbose, serial);
    int status = (session.*rule.run)(line);
    if (kept) {
        const QString problem = saveVirtualPedal(kept->pedal(), statePath);
        // A command that failed has said why already; one line is all a failure gets.
        if (!problem.isEmpty() && status == kExitOk) {
            err << "tarvo-max: " << oneLine(problem) << Qt::endl;
            status = kExitFailed;
        }
    }
    return status;
}

// --virtual-reset: the next virtual pedal starts afresh, as if new from the factory.
int resetVirtualPedal(QTextStream& out, QTextStream& err, bool say = true) {
    if (const QString problem = forgetVirtualPedal(virtualPedalStatePath()); !problem.isEmpty()) {
        err << "tarvo-max: " << oneLine(problem) << Qt::endl;
        return kExitFailed;
    }
    if (say)
        out << "the virtual pedal's memory is forgotten; the next --virtual starts afresh" << Qt::endl;
    return kExitOk;
}

// The words a shell completes: those that need no pedal here, the running effect's through it.
int listWords(const CommandLine& line, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    const QString what = line.operands.value(0);
    QStringList words;
    if (what == QLatin1String("commands")) {
        for (const CommandRule& rule : kCommands)
            words << QString::fromLatin1(rule.name);
    } else if (what == QLatin1String("options")) {
        words = kGlobalOptions;
        if (const CommandRule* rule = ruleOf(line.operands.value(1)))
            words += rule->options;
    } else if (what == QLatin1String("effects")) {
        words = catalogueEffectNames();
    } else if (what == QLatin1String("notes")) {
        words = noteNames();
    } else if (what == QLatin1String("firmware")) {
        words = firmwareItems();
    } else if (what == QLatin1String("presets")) {
        // The library's names, from the folder alone: nothing is read, nothing is made.
        const QString documents = runtime.services.documentsPath();
        if (!documents.isEmpty())
            for (const QString& file :
                 QDir(presetFolderPath(documents)).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name))
                words << libraryNameOf(file);
    } else {
        return runCommand(line, kCompleteRule, runtime, out, err, false);
    }
    for (const QString& word : words)
        out << word << '\n';
    return kExitOk;
}

int runArguments(const QStringList& args, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    CommandLine line;
    parseArguments(args, line);
    if (line.command == QLatin1String(kCompleteRule.name) && line.badOption.isEmpty())
        return listWords(line, runtime, out, err);
    const CommandRule* rule = ruleOf(line.command);
    if (!line.badOption.isEmpty())
        return usageError(err, QStringLiteral("%1 (see tarvo-max %2--help)")
                                   .arg(line.badOption, rule ? line.command + u' ' : QString()));
    if (line.version) {
        out << "tarvo-max " << TARVO_FILE_VERSION << Qt::endl;
        return kExitOk;
    }
    if (line.command.isEmpty() && !line.help && line.virtualReset)
        return resetVirtualPedal(out, err);
    if (line.command.isEmpty()) {
        (line.help ? out : err) << usageText();
        return line.help ? kExitOk : kExitUsage;
    }
    if (!rule)
        return usageError(err, QStringLiteral("unknown command %1 (see tarvo-max --help)").arg(line.command));
    if (line.help) {
        out << commandHelp(line.command);
        return kExitOk;
    }
    if (const QString wrong = misfit(*rule, line); !wrong.isEmpty())
        return usageError(err, wrong);
    if (line.virtualReset && resetVirtualPedal(out, err, false) != kExitOk)
        return kExitFailed;
    return runCommand(line, *rule, runtime, out, err);
}

} // namespace

int runCli(const QStringList& args, CliRuntime& runtime, QTextStream& out, QTextStream& err) {
    const int status = runArguments(args, runtime, out, err);
    if (status != kExitOk)
        return status;
    // A result that did not reach standard output (a full disk, /dev/full) is no result.
    out.flush();
    if (out.status() == QTextStream::Ok)
        return status;
    const QString why = out.device() ? out.device()->errorString() : QString();
    err << "tarvo-max: cannot write to standard output"
        << (why.isEmpty() ? QString() : QStringLiteral(": ") + why) << Qt::endl;
    return kExitFailed;
}
