// tarvo-max's librarian against virtual pedals, in-process: a backup of one pedal restored into
// another, the read-back compared, and the preset library saved, listed and loaded by name.

#include "ProductData.h"
#include "cli/Cli.h"
#include "sim/VirtualDriver.h"
#include "support/Files.h"
#include "support/RecordingDriver.h"
#include "support/ScriptedServices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B;
constexpr int kShimmerReverb = 0x23;

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

VirtualPedal::Options pedalOptions(int effect, bool erased = false, int firmware = 1) {
    return {.effectNumber = effect,
            .firmwareVersion = firmware,
            .erased = erased,
            .programFor = ProductData::effectProgram};
}

struct Librarian : ::testing::Test {
    ScriptedServices services;
    QTemporaryDir files;
    VirtualDriver first{pedalOptions(kDigitalDelay)};
    VirtualDriver* pedal = &first;
    std::vector<QByteArray> wire; // the last run's writes, hex

    Outcome run(const QStringList& args) {
        Outcome result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        std::vector<QByteArray>* into = &wire;
        into->clear();
        CliRuntime runtime{services,
                           [this, into]() -> std::unique_ptr<FtDriver> {
                               struct Recorder : RecordingDriver {
                                   Recorder(FtDriver& inner, std::vector<QByteArray>& into)
                                       : RecordingDriver(inner), into(into) {}
                                   ~Recorder() override {
                                       for (const QByteArray& w : take())
                                           into.push_back(w);
                                   }
                                   std::vector<QByteArray>& into;
                               };
                               return std::make_unique<Recorder>(*pedal, *into);
                           },
                           [] { return false; }};
        result.status = runCli(args, runtime, out, err);
        return result;
    }
    QString path(const char* name) const { return files.filePath(QString::fromLatin1(name)); }
    // What the pedal holds, as state --json says it.
    QJsonObject state() {
        const Outcome r = run({"state", "--json"});
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }
};

TEST_F(Librarian, ABackupRestoredIntoAnErasedPedalGivesTheSameState) {
    // A pedal set up the way a player leaves one: in a bank, knobs moved, controls assigned.
    ASSERT_EQ(run({"upload", "Digital Delay", "--bank", "2"}).status, kExitOk);
    for (const QStringList& step :
         {QStringList{"set", "Time", "700"}, QStringList{"set", "Trails", "on"},
          QStringList{"set", "Subdivision", "TRIPLET"}, QStringList{"assign", "Feedback", "KIII", "--yes"},
          QStringList{"reverse", "Feedback", "on"},
          QStringList{"assign", "readback", "Tap Tempo", "GREEN", "--yes"}, QStringList{"midi", "12"}}) {
        const Outcome r = run(step);
        ASSERT_EQ(r.status, kExitOk) << step.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    const QJsonObject before = state();
    const Outcome backup = run({"backup", path("pedal.json")});
    ASSERT_EQ(backup.status, kExitOk) << backup.err.toStdString();
    EXPECT_EQ(backup.out,
              "backup of the pedal (Digital Delay, 7 parameters, memories 50 and 51) written to " +
                  path("pedal.json") + "\n");

    VirtualDriver second{pedalOptions(kDigitalDelay, true)};
    pedal = &second;
    const Outcome restored = run({"restore", path("pedal.json"), "--yes"});
    ASSERT_EQ(restored.status, kExitOk) << restored.err.toStdString();
    EXPECT_EQ(restored.out, "pedal restored from " + path("pedal.json") +
                                ": Digital Delay, 7 parameters, bank II; the read-back matches the backup\n");
    EXPECT_EQ(state(), before);
    // Stored, too: switched off and on, the pedal comes back with it.
    second.pedal().powerCycle(false);
    EXPECT_EQ(state(), before);
}

TEST_F(Librarian, ARestoreNamesWhatThePedalDoesNotHoldAndRefusesWhatItCannotSend) {
    ASSERT_EQ(run({"set", "Feedback", "300"}).status, kExitOk);
    ASSERT_EQ(run({"backup", path("pedal.json")}).status, kExitOk);

    VirtualDriver newer{pedalOptions(kShimmerReverb, false, 2)};
    pedal = &newer;
    Outcome r = run({"restore", path("pedal.json"), "--yes"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err,
              "tarvo-max: the pedal was restored from " + path("pedal.json") +
                  ", but what it holds differs from the backup: firmware version: 1 in the backup, 2 on the "
                  "pedal\n");
    EXPECT_EQ(newer.pedal().value(1), 300 * 8192) << "everything else was restored";

    // Refused before anything at all is sent.
    QByteArray later = fileBytes(path("pedal.json"));
    later.replace("\"formatVersion\": 1", "\"formatVersion\": 2");
    putBytes(path("later.json"), later);
    r = run({"restore", path("later.json"), "--yes"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "tarvo-max: cannot restore " + path("later.json") +
                         ": it is in backup format version 2, and this editor reads version 1 only\n");
    EXPECT_TRUE(wire.empty());
    r = run({"restore", path("pedal.json")});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_TRUE(wire.empty()) << "nothing without --yes";
}

TEST_F(Librarian, ALibrarySavedByNameIsListedAndLoadedIntoThePedal) {
    ASSERT_EQ(run({"set", "Feedback", "640"}).status, kExitOk);
    Outcome r = run({"library", "save", "warm repeats"});
    ASSERT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "preset of Digital Delay saved to the library as warm repeats\n");
    EXPECT_EQ(run({"library", "save", "warm repeats"}).status, kExitUsage) << "not replaced without --yes";

    r = run({"library", "list", "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err.toStdString();
    const QJsonArray presets = QJsonDocument::fromJson(r.out.toUtf8()).object()["presets"].toArray();
    ASSERT_EQ(presets.size(), 1);
    const QJsonObject preset = presets[0].toObject();
    EXPECT_EQ(preset["name"].toString(), "warm repeats");
    EXPECT_EQ(preset["effect"].toString(), "Digital Delay");
    EXPECT_EQ(preset["parameters"].toInt(), 7);
    EXPECT_TRUE(QDateTime::fromString(preset["modified"].toString(), Qt::ISODate).isValid());

    // Into a pedal that runs another effect: offered, and taken with --yes.
    ASSERT_EQ(run({"upload", "Shimmer Reverb"}).status, kExitOk);
    r = run({"library", "load", "warm repeats"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err,
              "tarvo-max: warm repeats is a preset of Digital Delay, but the pedal runs Shimmer Reverb: add "
              "--yes to upload Digital Delay first and then load it\n");
    EXPECT_EQ(wire, std::vector<QByteArray>{"0600"}) << "asked which effect runs, nothing sent";
    r = run({"library", "load", "warm repeats", "--yes"});
    ASSERT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out,
              "Upload complete: Digital Delay (4992 bytes) in preset mode\nsent Feedback: 640 (was 0)\n");
    EXPECT_EQ(first.pedal().value(1), 640 * 8192);

    ASSERT_EQ(run({"library", "rename", "warm repeats", "dark repeats"}).status, kExitOk);
    EXPECT_EQ(run({"library", "delete", "dark repeats"}).status, kExitUsage) << "not without --yes";
    EXPECT_EQ(
        run({"library", "load", "warm repeats"}).err,
        "tarvo-max: cannot load the preset warm repeats: There is no preset called \"warm repeats\" in the "
        "library.\n");
}

} // namespace
