// The backup file: what it keeps of a pedal comes back as it was, and what is wrong with a file
// (or with what it would make the pedal do) is refused, said and never half taken.

#include "backup/BackupRestore.h"
#include "base/ConsoleLog.h"
#include "catalogue/ResourceStore.h"
#include "support/ScriptedServices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Digital Delay as a pedal may hold it, with every kind of code the file must keep: names, none,
// and numbers no list has.
PedalBackup delayBackup() {
    PedalBackup b;
    b.created = QDateTime(QDate(2026, 5, 1), QTime(10, 30), Qt::UTC);
    b.editorVersion = "1.0.0.0";
    PedalSnapshot& s = b.pedal;
    s.effectNumber = 0x0B;
    s.effectVersion = 1;
    s.effectName = "Digital Delay";
    s.firmwareVersion = 1;
    const char* captions[] = {"Time", "Feedback", "Mix", "Hi-Cut", "Trails", "Tap", "Subdivision"};
    for (int i = 0; i < 7; ++i)
        s.parameters.push_back({i, captions[i], "pot", i * 100, 0xFF, 0xFF});
    s.parameters[0].assignment = 1;   // KII
    s.parameters[0].reverse = 1;      // reversed
    s.parameters[1].assignment = 13;  // no control of the list
    s.parameters[2].reverse = 0;      // neither on nor off
    s.parameters[3].level = -8;       // below the scale
    s.bypassCode = 8;                 // FS
    s.presetCode = 11;                // the list's "--" by number
    s.readbacks = {{"Tap Tempo", 2}}; // RED
    s.mode = 1;
    s.bankOrPreset = 2;
    s.midiChannel = 10;
    b.memories = {{"50", QByteArray(16384, '\x5A')}, {"51", QByteArray(16384, '\xFF')}};
    return b;
}

bool sameSnapshot(const PedalSnapshot& a, const PedalSnapshot& b) {
    if (a.parameters.size() != b.parameters.size() || a.readbacks.size() != b.readbacks.size())
        return false;
    for (std::size_t i = 0; i < a.parameters.size(); ++i) {
        const BackupParameter& p = a.parameters[i];
        const BackupParameter& q = b.parameters[i];
        if (p.level != q.level || p.assignment != q.assignment || p.reverse != q.reverse ||
            p.caption != q.caption)
            return false;
    }
    for (std::size_t r = 0; r < a.readbacks.size(); ++r)
        if (a.readbacks[r].indicator != b.readbacks[r].indicator)
            return false;
    return a.effectNumber == b.effectNumber && a.effectVersion == b.effectVersion &&
           a.firmwareVersion == b.firmwareVersion && a.bypassCode == b.bypassCode &&
           a.presetCode == b.presetCode && a.mode == b.mode && a.bankOrPreset == b.bankOrPreset &&
           a.midiChannel == b.midiChannel;
}

TEST(BackupTest, EverythingKeptComesBackAsItWas) {
    const PedalBackup backup = delayBackup();
    const QByteArray json = backupJson(backup);
    const BackupParse parsed = parseBackupJson(json);
    ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
    EXPECT_TRUE(sameSnapshot(parsed.backup->pedal, backup.pedal));
    EXPECT_EQ(parsed.backup->created, backup.created);
    ASSERT_EQ(parsed.backup->memories.size(), 2u);
    EXPECT_EQ(parsed.backup->memories[0].address, "50");
    EXPECT_EQ(parsed.backup->memories[0].bytes, backup.memories[0].bytes);
    EXPECT_EQ(parsed.backup->memories[1].bytes, backup.memories[1].bytes);
    // A person reads the file in the pedal's own words.
    const QJsonObject all = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(all["mode"].toString(), "bank");
    EXPECT_EQ(all["bank"].toInt(), 3);
    EXPECT_EQ(all["bypassToggle"].toString(), "FS");
    EXPECT_TRUE(json.contains("\"assignment\": \"KII\""));
}

TEST(BackupTest, AFileThatIsNoBackupOfThisFormatIsRefusedWhole) {
    const QJsonObject good = QJsonDocument::fromJson(backupJson(delayBackup())).object();
    const auto edited = [&](const std::function<void(QJsonObject&)>& edit) {
        QJsonObject o = good;
        edit(o);
        return QJsonDocument(o).toJson();
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"not JSON", "{\"format\":", "it is not JSON"},
        {"another program's JSON", "{\"effect\": 11}", "it is not a Tarvo Max backup"},
        {"a later format", edited([](QJsonObject& o) { o["formatVersion"] = 2; }),
         "it is in backup format version 2, and this editor reads version 1 only"},
        {"a version that is no number", edited([](QJsonObject& o) { o["formatVersion"] = "1"; }),
         "backup format version \"1\""},
        {"no effect", edited([](QJsonObject& o) { o.remove("effect"); }), "effect: missing"},
        {"a control no pedal has", edited([](QJsonObject& o) {
             QJsonArray p = o["parameters"].toArray();
             QJsonObject first = p[0].toObject();
             first["assignment"] = "KX";
             p[0] = first;
             o["parameters"] = p;
         }),
         "parameters[0].assignment: \"KX\" is none of KI"},
        {"a level that is no whole number", edited([](QJsonObject& o) {
             QJsonArray p = o["parameters"].toArray();
             QJsonObject first = p[0].toObject();
             first["level"] = 1.5;
             p[0] = first;
             o["parameters"] = p;
         }),
         "parameters[0].level: must be a whole number"},
        {"a MIDI channel word", edited([](QJsonObject& o) { o["midiChannel"] = "ALL"; }),
         "midiChannel: must be OMNI or a channel from 1 to 16"},
    };
    for (const Case& c : cases) {
        const BackupParse parsed = parseBackupJson(c.bytes);
        EXPECT_FALSE(parsed.ok()) << c.name;
        EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.error)))
            << c.name << ": " << parsed.error.toStdString();
    }
}

TEST(BackupTest, ARestoreThePedalCouldNotTakeIsRefusedBeforeAnythingIsSent) {
    ScriptedServices services;
    ConsoleLog log;
    ResourceStore resources(services, log);
    struct Case {
        const char* name;
        std::function<void(PedalBackup&)> edit;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {"an effect the catalogue lacks", [](PedalBackup& b) { b.pedal.effectNumber = 99; },
         "The backup holds effect 99 (Digital Delay), which is not in this editor's catalogue. Nothing was "
         "sent."},
        {"another effect's parameters", [](PedalBackup& b) { b.pedal.parameters.pop_back(); },
         "The backup lists 6 parameters, but Digital Delay has 7. Nothing was sent."},
        {"a bank the pedal lacks", [](PedalBackup& b) { b.pedal.bankOrPreset = 3; },
         "The backup names bank 4, and the pedal has banks 1 to 3 only. Nothing was sent."},
        {"a program too large for a bank",
         [](PedalBackup& b) {
             b.pedal.effectNumber = 0x23; // Shimmer Reverb, 9,472 bytes, 7 parameters
             b.pedal.readbacks.clear();
         },
         "more than a bank holds (5440 bytes). Nothing was sent."},
    };
    for (const Case& c : cases) {
        PedalBackup backup = delayBackup();
        c.edit(backup);
        const RestorePlan plan = planRestore(backup, resources);
        EXPECT_FALSE(plan.ok()) << c.name;
        EXPECT_TRUE(plan.problem.endsWith(QString::fromUtf8(c.problem)))
            << c.name << ": " << plan.problem.toStdString();
    }
    const RestorePlan plan = planRestore(delayBackup(), resources);
    EXPECT_TRUE(plan.ok()) << plan.problem.toStdString();
    EXPECT_TRUE(plan.program.text.startsWith("10")) << "into bank III";
}

} // namespace
