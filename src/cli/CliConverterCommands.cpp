// ir and coeff: the editor's converters, which need no pedal (ir uploads what it made unless
// told to write it to a file).

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "catalogue/ImpulseResponse.h"
#include "console/FilterCoefficients.h"

std::optional<QString> CliSession::composeIr(const QString& wav, const QString& effectName) {
    const IrComposition ir = composeImpulseResponseFromFile(wav, effectName);
    ctx_.console.logLines(ir.log);
    if (!ir.problem.isEmpty()) {
        fail(ir.problem);
        return std::nullopt;
    }
    return ir.programText;
}

int CliSession::impulseResponse(const CommandLine& line) {
    if (line.effect.isEmpty())
        return fail(QStringLiteral("ir needs the effect the response is for: --effect NAME (%1)")
                        .arg(impulseResponseEffects().join(QLatin1String(", "))),
                    kExitUsage);
    QString name;
    if (!checkEffectName(line.effect, name))
        return status_;
    if (!irGeometryOf(name))
        return fail(QStringLiteral("%1 takes no impulse response; those that do: %2")
                        .arg(name, impulseResponseEffects().join(QLatin1String(", "))),
                    kExitUsage);
    const std::optional<int> bank = bankOption(line);
    if (!bank)
        return status_;
    const bool toFile = line.given.contains(QLatin1String("-o"));
    if (toFile && *bank >= 0)
        return fail(QStringLiteral("--bank is for an upload; with -o nothing is uploaded"), kExitUsage);
    if (toFile && !openOutput(line.output))
        return status_;
    const std::optional<QString> program = composeIr(line.operands.first(), name);
    if (!program)
        return status_;
    if (!toFile)
        return sendUpload(name, true, uploadProgram(name, true, *program, *bank >= 0, *bank), *bank);
    if (!writeOutput(program->toLatin1()))
        return status_;
    if (!outputOnStandardOutput())
        out_ << name << " with the impulse response of " << line.operands.first() << ": "
             << program->size() / 2 << " bytes written to " << line.output << Qt::endl;
    return kExitOk;
}

int CliSession::coefficients(const CommandLine& line) {
    const QStringList& words = line.operands;
    const QStringList& notes = noteNames();
    const auto note = std::find_if(notes.begin(), notes.end(), [&](const QString& n) {
        return n.compare(words.at(0).trimmed(), Qt::CaseInsensitive) == 0;
    });
    if (note == notes.end())
        return fail(QStringLiteral("%1 is no note; the notes are %2 to %3 (sharps with #, as C#3)")
                        .arg(words.at(0), notes.first(), notes.last()),
                    kExitUsage);
    // A script writes its numbers with a point, whatever the machine's language.
    bool qOk = false;
    bool boostOk = false;
    const double q = words.at(1).trimmed().toDouble(&qOk);
    const double boost = words.at(2).trimmed().toDouble(&boostOk);
    if (!qOk || !boostOk)
        return fail(QStringLiteral("Q and BOOST are numbers (BOOST in dB, negative for a cut), not %1")
                        .arg(!qOk ? words.at(1) : words.at(2)),
                    kExitUsage);
    if (!isQualityFactor(q))
        return fail(kQualityFactorRule + QStringLiteral(", not %1").arg(words.at(1)), kExitUsage);
    const std::optional<PeakingFilter> filter =
        peakingFilter(noteFrequency(static_cast<int>(note - notes.begin())), q, boost);
    if (!filter)
        return fail(
            QStringLiteral("a Q of %1 with a boost of %2 dB gives no filter (its coefficients are not "
                           "numbers)")
                .arg(words.at(1), words.at(2)),
            kExitUsage);
    // Written with a point, as read, whatever the machine's language.
    for (const QString& row : coefficientTable(*note, boost, q, *filter, QLocale::c()))
        out_ << row << '\n';
    out_.flush();
    return kExitOk;
}
