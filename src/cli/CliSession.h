#pragma once

#include "base/ConsoleLog.h"
#include "base/Services.h"
#include "catalogue/ResourceStore.h"
#include "cli/Cli.h"
#include "params/EffectControls.h"
#include "protocol/EditorContext.h"
#include "protocol/ReadBack.h"

#include <optional>

// Passes everything to the machine's services, but keeps what the core would show in a message
// box: the command tells the user in its own one line.
class CatchingServices : public Services {
public:
    explicit CatchingServices(Services& inner) : inner_(inner) {}
    void showMessage(const QString& text) override { messages << text; }
    bool confirm(const QString& text) override { return inner_.confirm(text); }
    void reportError(const QString& text) override { messages << text; }
    QString openFileName(const QString& c, const QString& f, const QString& s) override {
        return inner_.openFileName(c, f, s);
    }
    QString saveFileName(const QString& c, const QString& f, const QString& s) override {
        return inner_.saveFileName(c, f, s);
    }
    void pause(int milliseconds) override { inner_.pause(milliseconds); }
    void processEvents() override { inner_.processEvents(); }
    std::int64_t elapsedMs() override { return inner_.elapsedMs(); }
    bool openUrl(const QString& url) override { return inner_.openUrl(url); }
    bool startElevated(const QString& p, const QStringList& a) override { return inner_.startElevated(p, a); }
    HttpReply httpGet(const QString& url) override { return inner_.httpGet(url); }
    QString documentsPath() override { return inner_.documentsPath(); }
    QString tempPath() override { return inner_.tempPath(); }
    QString executablePath() override { return inner_.executablePath(); }

    QStringList messages;

private:
    Services& inner_;
};

// One run of a command: the link to the pedal, and the commands' steps over it.
class CliSession : public ConsoleView {
public:
    CliSession(CliRuntime& runtime, std::unique_ptr<FtDriver> driver, QTextStream& out, QTextStream& err,
               bool verbose);
    ~CliSession() override;

    int devices();
    int info(const QString& serial, bool json);
    int state(const QString& serial, bool json);
    int set(const QString& serial, const QString& parameter, const QString& level);
    int watch(const QString& serial);

    // The protocol log, on standard error with --verbose.
    void appendLines(const QStringList& lines, bool scroll) override;

private:
    // The steps every command that talks to the pedal takes; each says what went wrong itself.
    bool link(const QString& serial);
    bool readStoredEffect();
    bool loadControls();
    int fail(const QString& why, int status = kExitFailed);
    QString lastMessage() const;

    void printEffect(bool json);
    void printState(bool json);
    void printReports(const QByteArray& read);
    void printReport(const IncomingMessage& message);

    CliRuntime& runtime_;
    CatchingServices services_;
    std::unique_ptr<FtDriver> driver_;
    EditorContext ctx_;
    ResourceStore resources_;
    QTextStream& out_;
    QTextStream& err_;
    bool verbose_;

    std::optional<StoredEffectReply> stored_;
    QString effectName_;
    std::optional<EffectControls> controls_;
};
