#pragma once

#include "base/CollectingServices.h"
#include "base/ConsoleLog.h"
#include "base/OutputFile.h"
#include "base/Services.h"
#include "catalogue/ResourceStore.h"
#include "catalogue/Upload.h"
#include "cli/Cli.h"
#include "cli/CliCommandLine.h"
#include "params/EffectControls.h"
#include "protocol/EditorContext.h"
#include "protocol/ReadBack.h"

#include <optional>

struct AssignmentCodes;
class FirmwareFlasher;
struct FirmwareImage;

// One run of a command: the link to the pedal, and the commands' steps over it. The commands
// live in files by area; the steps they share are here once.
class CliSession : public ConsoleView {
public:
    CliSession(CliRuntime& runtime, std::unique_ptr<FtDriver> driver, QTextStream& out, QTextStream& err,
               bool verbose, QString serial);
    ~CliSession() override;

    // Each returns the exit status.
    // Reading the pedal and setting a parameter (CliReadCommands.cpp).
    int devices(const CommandLine& line);
    int info(const CommandLine& line);
    int state(const CommandLine& line);
    int set(const CommandLine& line);
    int watch(const CommandLine& line);
    // Uploading an effect of the catalogue (CliUploadCommand.cpp).
    int upload(const CommandLine& line);
    // Which control drives what (CliAssignCommand.cpp).
    int assign(const CommandLine& line);
    // The pedal-wide settings and the editor's mode (CliPedalCommands.cpp).
    int reverse(const CommandLine& line);
    int midi(const CommandLine& line);
    int mode(const CommandLine& line);
    int store(const CommandLine& line);
    // The settings memories (CliMemoryCommands.cpp).
    int eraseSettings(const CommandLine& line);
    int memory(const CommandLine& line);
    // Preset files (CliPresetCommands.cpp).
    int preset(const CommandLine& line);
    // The preset library (CliLibraryCommands.cpp).
    int library(const CommandLine& line);
    // The whole pedal into a file and back (CliBackupCommands.cpp).
    int backup(const CommandLine& line);
    int restore(const CommandLine& line);
    // Converters that need no pedal (CliConverterCommands.cpp); ir uploads without -o.
    int impulseResponse(const CommandLine& line);
    int coefficients(const CommandLine& line);
    // The built-in firmware through the pedal's bootloader, and what the bootloader reads back
    // (CliFirmwareCommand.cpp).
    int flash(const CommandLine& line);
    int firmware(const CommandLine& line);
    int bootloader(const CommandLine& line);
    // For the shell's completion: the running effect's parameters or readbacks, one a line
    // (CliReadCommands.cpp).
    int completionWords(const CommandLine& line);

    // The protocol log, on standard error with --verbose.
    void appendLines(const QStringList& lines, bool scroll) override;

private:
    // The steps the commands share. Each that fails says why and returns false; the command
    // then returns status_.
    bool link();
    bool readStoredEffect();
    bool loadControls();
    bool readState();
    // Linked, the running effect known and described, and with `withState` its settings read.
    bool reachRunningEffect(bool withState);
    // Sends a message as the editor does; false when the driver said it did not go out.
    bool send(const QString& text, bool purgeFirst, std::optional<std::uint32_t> count = std::nullopt);
    // The running effect's parameter of that caption or index.
    const ControlInfo* parameterNamed(const QString& name);
    // Says why in the one line on standard error: fail for a command's end, stepFailed for a step.
    int fail(const QString& why, int status = kExitFailed);
    bool stepFailed(const QString& why, int status = kExitFailed) {
        fail(why, status);
        return false;
    }
    QString lastMessage() const;

    // What a command makes for the user (-o FILE, preset save FILE) goes to that file as
    // OutputFile writes it, or to standard output for "-". Opened before the pedal is asked, so a
    // place that cannot be written costs no wait; each says why when it fails.
    bool openOutput(const QString& path);
    bool writeOutput(const QByteArray& bytes);
    bool toStandardOutput() const { return outputPath_ == QLatin1String("-"); }
    // Whether the output lands on standard output, as "-" or by a name (/dev/stdout): then the
    // bytes are the result, and no line saying where they went may follow them there.
    bool outputOnStandardOutput() const;
    // Bytes as they are on standard output, after what the command printed before them.
    bool writeStandardOutput(const QByteArray& bytes);
    std::uint32_t parameterCount() const { return controls_->layout.parameters(); }

    // What the commands print (CliStateOutput.cpp).
    void printEffect(bool json);
    void printState(bool json);
    void printReports(const QByteArray& read);
    void printReport(const IncomingMessage& message);

    // devices --follow (CliReadCommands.cpp).
    int followDevices(bool json);
    // Upload (CliUploadCommand.cpp).
    bool checkEffectName(const QString& typed, QString& name);
    // The bank named by --bank (0 to 2), -1 without one; nothing, having said why, when it names none.
    std::optional<int> bankOption(const CommandLine& line);
    // The effect's program with the WAV file's impulse response in its table, the header walk
    // logged; nothing, having said why, when the file or the effect will not do.
    std::optional<QString> composeIr(const QString& wav, const QString& effectName);
    int sendUpload(const QString& name, bool impulseResponse, const UploadProgram& program, int bank);
    // Flash (CliFirmwareCommand.cpp): linked, and the bootloader synchronised; `command` is the
    // command's words, for the way into the bootloader that a failure suggests.
    bool reachBootloader(bool alreadyThere, FirmwareFlasher& flasher, const QString& command);
    // The built-in image named (the newest when none is), or the file of --image.
    std::optional<FirmwareImage> firmwareToFlash(const CommandLine& line);
    // Assign (CliAssignCommand.cpp).
    bool changeAssignment(const QStringList& words, AssignmentCodes& codes, QString& said);
    bool changeParameterAssignment(const QStringList& words, AssignmentCodes& codes, QString& said);
    bool changeFootswitch(const QStringList& words, AssignmentCodes& codes, QString& said);
    bool changeReadback(const QStringList& words, AssignmentCodes& codes, QString& said);
    // Memories (CliMemoryCommands.cpp).
    bool collectDumps(int count, QList<QByteArray>& dumps);
    int dumpMemory(const QString& address, const QString& output);
    int eraseMemory(const QString& address);
    int reportErased(const QStringList& addresses, const QList<QByteArray>& dumps);
    // Presets (CliPresetCommands.cpp).
    int savePreset(const QString& file);
    int loadPreset(const QString& file);
    bool sendPresetLevels(const std::vector<std::int32_t>& levels, QStringList& said);
    // The running effect's settings as a preset file's text (its state read first).
    QString runningPresetText();
    // Checks the preset's text against the running effect, reads its state and sends what differs;
    // then prints `said` and what was sent.
    int applyPresetText(const QString& name, const QString& text, QStringList said = {});
    // The library (CliLibraryCommands.cpp).
    int listLibrary(const QString& folder, bool json);
    int saveToLibrary(const QString& folder, const QString& name, bool replace);
    int loadFromLibrary(const QString& folder, const QString& name, bool uploadFirst);
    // A long exchange's progress on standard error: a bar on a terminal, elsewhere a line every
    // `lineEvery` blocks (none when 0); `verb` says what the step being counted is for.
    void showProgress(std::function<QString(int value)> verb, int lineEvery = 0);
    void endProgress();

    CliRuntime& runtime_;
    std::unique_ptr<FtDriver> driver_;
    EditorContext ctx_;
    // What the core would show in a box is kept here: the command tells the user in its own line.
    CollectingServices& services_;
    ResourceStore resources_;
    QTextStream& out_;
    QTextStream& err_;
    bool verbose_;
    QString serial_;
    int status_ = kExitFailed;

    std::optional<StoredEffectReply> stored_;
    QString effectName_;
    std::optional<EffectControls> controls_;
    bool progressBar_ = false;
    QString outputPath_;
    std::unique_ptr<OutputFile> output_;
};
