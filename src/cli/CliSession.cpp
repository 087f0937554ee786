#include "cli/CliSession.h"

#include "cli/CliNames.h"

#include "base/Convert.h"
#include "link/Bridges.h"
#include "protocol/StateBlock.h"

#include <QFile>
#include <QFileDevice>
#include <QRegularExpression>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

CliSession::CliSession(CliRuntime& runtime, std::unique_ptr<FtDriver> driver, QTextStream& out,
                       QTextStream& err, bool verbose, QString serial)
    : runtime_(runtime), driver_(std::move(driver)), ctx_(runtime.services, *driver_),
      services_(ctx_.line.services), resources_(services_, ctx_.console), out_(out), err_(err),
      verbose_(verbose), serial_(std::move(serial)) {
    ctx_.console.attach(this);
    // The exchanges run here, in the command's own thread, and Ctrl+C stops them at a safe step.
    services_.collectOn(std::this_thread::get_id());
    ctx_.line.interrupted = runtime_.interrupted;
    // Every failing driver call says so; the command reports it in its line.
    ctx_.link.reportDriverErrors = true;
    ctx_.link.SetSerialParameters(SerialMode::Normal);
}

CliSession::~CliSession() {
    if (ctx_.link.ftHandle != 0)
        ctx_.link.CloseDevice();
    ctx_.console.detach(this);
}

void CliSession::appendLines(const QStringList& lines, bool) {
    if (!verbose_)
        return;
    for (const QString& line : lines)
        err_ << line << '\n';
    err_.flush();
}

int CliSession::fail(const QString& why, int status) {
    err_ << "tarvo-max: " << oneLine(why) << Qt::endl;
    status_ = status;
    return status;
}

QString CliSession::lastMessage() const {
    QStringList sentences = services_.messages;
    // A message box breaks its text into lines; here it is one sentence after another.
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    for (QString& s : sentences)
        s = s.trimmed().replace(lineBreaks, QStringLiteral(" "));
    return sentences.join(QStringLiteral(" "));
}

bool CliSession::link() {
    const QList<BridgeInfo> bridges = listBridges(ctx_.link);
    if (bridges.isEmpty())
        return stepFailed(
            QStringLiteral("no pedal found (is it plugged in? tarvo-max --help tells the other ways to it)"));
    const QString chosen = serial_.isEmpty() ? bridges.last().serial : serial_;
    if (std::none_of(bridges.begin(), bridges.end(), [&](const BridgeInfo& b) { return b.serial == chosen; }))
        return stepFailed(
            QStringLiteral("no pedal with serial number %1 (tarvo-max devices lists them)").arg(chosen));
    services_.messages.clear();
    if (!openBridge(ctx_.link, ctx_.console, services_, chosen))
        return stepFailed(QStringLiteral("cannot open the pedal %1: %2").arg(chosen, lastMessage()));
    return true;
}

bool CliSession::readStoredEffect() {
    services_.messages.clear();
    const QString text = askStoredEffectText(ctx_.line);
    if (text.isEmpty())
        return stepFailed(lastMessage().isEmpty() ? QStringLiteral("no reply from the pedal")
                                                  : lastMessage());
    try {
        stored_ = parseStoredEffectReply(text);
    } catch (const ConversionError& error) {
        return stepFailed(QStringLiteral("the pedal's reply does not read: ") + error.text());
    }
    applyStoredEffectReply(*stored_, ctx_.state, ctx_.console);
    effectName_ = stored_->stored() ? resources_.catalogueName(stored_->effectNumber) : QString();
    return true;
}

bool CliSession::loadControls() {
    if (!stored_ || !stored_->stored())
        return stepFailed(QStringLiteral("no effect is stored on the pedal"));
    controls_ = effectName_.isEmpty() ? std::nullopt : loadEffectControls(resources_, effectName_);
    if (!controls_)
        return stepFailed(
            QStringLiteral("effect %1 is not in this editor's catalogue").arg(stored_->effectNumber));
    return true;
}

bool CliSession::readState() {
    const std::uint32_t n = parameterCount();
    ctx_.state.numOfParameters = n;
    services_.messages.clear();
    StateRead read;
    try {
        read = requestState(ctx_.line, n);
    } catch (const ConversionError& error) {
        return stepFailed(QStringLiteral("the pedal's reply does not read: ") + error.text());
    }
    // A short block would be read past its end: nothing is shown, and nothing is sent on it.
    if (!read.ok)
        return stepFailed(lastMessage().isEmpty() ? QStringLiteral("no reply from the pedal")
                                                  : lastMessage());
    ctx_.state.receiveArray = read.block;
    return true;
}

bool CliSession::reachRunningEffect(bool withState) {
    return link() && readStoredEffect() && loadControls() && (!withState || readState());
}

bool CliSession::send(const QString& text, bool purgeFirst, std::optional<std::uint32_t> count) {
    services_.messages.clear();
    ctx_.comm.SendHexMessage(text, count.value_or(static_cast<std::uint32_t>(text.size() / 2)), purgeFirst);
    if (services_.messages.isEmpty())
        return true;
    return stepFailed(QStringLiteral("the message did not reach the pedal: ") + lastMessage());
}

const ControlInfo* CliSession::parameterNamed(const QString& name) {
    if (const ControlInfo* control = findControl(*controls_, name))
        return control;
    QStringList captions;
    for (const ControlInfo& c : controls_->parameters)
        captions << c.caption;
    stepFailed(QStringLiteral("%1 has no parameter %2; its parameters are %3")
                   .arg(effectName_, name, captions.join(QStringLiteral(", "))),
               kExitUsage);
    return nullptr;
}

bool CliSession::openOutput(const QString& path) {
    outputPath_ = path;
    if (toStandardOutput())
        return true;
    output_ = std::make_unique<OutputFile>(path);
    if (!output_->open())
        return stepFailed(QStringLiteral("cannot write %1: %2").arg(path, output_->error()));
    return true;
}

bool CliSession::outputOnStandardOutput() const {
    if (toStandardOutput())
        return true;
    struct stat named {};
    struct stat standard {};
    return ::stat(QFile::encodeName(outputPath_).constData(), &named) == 0 &&
           ::fstat(STDOUT_FILENO, &standard) == 0 && named.st_dev == standard.st_dev &&
           named.st_ino == standard.st_ino;
}

bool CliSession::writeOutput(const QByteArray& bytes) {
    if (toStandardOutput())
        return writeStandardOutput(bytes);
    if (!output_)
        output_ = std::make_unique<OutputFile>(outputPath_);
    const bool written = output_->write(bytes);
    if (!written)
        stepFailed(QStringLiteral("cannot write %1: %2").arg(outputPath_, output_->error()));
    output_.reset();
    return written;
}

bool CliSession::writeStandardOutput(const QByteArray& bytes) {
    out_.flush();
    QIODevice* device = out_.device();
    if (!device) {
        // A caller that keeps the output in memory: one character a byte.
        out_ << QString::fromLatin1(bytes);
        return true;
    }
    auto* file = qobject_cast<QFileDevice*>(device);
    if (out_.status() != QTextStream::Ok || device->write(bytes) != bytes.size() || (file && !file->flush()))
        return stepFailed(QStringLiteral("cannot write to standard output: ") + device->errorString());
    return true;
}

void CliSession::showProgress(std::function<QString(int value)> verb, int lineEvery) {
    // A bar on a terminal; where standard error is a file or a pipe, a line every `lineEvery`
    // steps (none when 0). A caller that keeps the messages in memory (a test, a script host)
    // gets neither.
    const bool realStream = err_.string() == nullptr;
    progressBar_ = realStream && isatty(STDERR_FILENO) != 0;
    ctx_.line.onProgress = [this, realStream, lineEvery, verb = std::move(verb)](int value, int maximum) {
        if (!realStream)
            return;
        if (!progressBar_) {
            if (lineEvery > 0 && value < maximum && value % lineEvery == 0)
                err_ << verb(value) << " block " << value + 1 << " of " << maximum << Qt::endl;
            return;
        }
        const int width = 40;
        const int done = maximum > 0 ? value * width / maximum : 0;
        err_ << '\r' << verb(value) << " [" << QString(done, u'#') << QString(width - done, u' ') << "] "
             << value << '/' << maximum;
        err_.flush();
    };
}

void CliSession::endProgress() {
    ctx_.line.onProgress = {};
    // The bar leaves the line before anything else is said on it.
    if (progressBar_)
        err_ << '\r' << QString(70, u' ') << '\r';
    err_.flush();
    progressBar_ = false;
}
