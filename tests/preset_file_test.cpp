#include "params/PresetFile.h"
#include "support/Files.h"
#include "support/ScriptedServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = ControlInfo::Kind;

// A loaded text: every field on a line of its own, each ended by CR LF.
QString loaded(const QStringList& fields) {
    return fields.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

// Effect 0x15, version 2: a pot, a switch and a selector of four positions.
const std::vector<ControlScale> kShown = {{Kind::Pot, 0}, {Kind::Switch, 0}, {Kind::MultiSwitch, 4}};
const QStringList kGoodFields = {"0015", "02", "03", "00000200", "00000400", "00000300", "FF", "01", "FF"};

TEST(PresetFileTest, WritesTheFileByteForByte) {
    struct Case {
        const char* name;
        PresetContent content;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {"no readbacks",
         {0x15, 2, {512, 1024, 768}, {0xFF, 1, 0xFF}, {}},
         "\xEF\xBB\xBF"
         "0015\r02\r03\r00000200\r00000400\r00000300\rFF\r01\rFF\r"},
        {"one readback",
         {0x15, 2, {512, 1024, 768}, {0xFF, 1, 0xFF}, {3}},
         "\xEF\xBB\xBF"
         "0015\r02\r03\r00000200\r00000400\r00000300\rFF\r01\rFF\r03\r"},
        // A wide effect number takes the digits it needs; a negative level its two's complement;
        // a parameter without an assignment code is written as having none.
        {"wide and negative",
         {0x12345, 1, {-1, 0}, {4}, {}},
         "\xEF\xBB\xBF"
         "12345\r01\r02\rFFFFFFFF\r00000000\r04\rFF\r"},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        const QString path = folder.filePath(QStringLiteral("preset.txt"));
        const FileResult written = writePresetFile(path, composePresetText(c.content));
        EXPECT_TRUE(written.ok) << c.name << ": " << written.error.toStdString();
        EXPECT_EQ(fileBytes(path), c.expected) << c.name;
    }
}

TEST(PresetFileTest, CrLfAndCrLineEndsLoadAlike) {
    const QByteArray withCr = "0015\r02\r03\r00000200\r00000400\r00000300\rFF\r01\rFF\r";
    QByteArray withCrLf = withCr;
    withCrLf.replace("\r", "\r\n");
    QByteArray withLf = withCr;
    withLf.replace('\r', '\n');
    const QByteArray bom = "\xEF\xBB\xBF";
    QTemporaryDir folder;
    for (const QByteArray& bytes : {bom + withCr, bom + withCrLf, bom + withLf, withLf}) {
        const QString path = folder.filePath(QStringLiteral("endings.txt"));
        putBytes(path, bytes);
        const FileResult read = readPresetFile(path);
        EXPECT_TRUE(read.ok) << bytes.toStdString();
        EXPECT_EQ(read.text, loaded(kGoodFields)) << bytes.toStdString();
    }
}

TEST(PresetFileTest, OnlyALowerCaseTxtEndingIsKept) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"/p/Chorus", "/p/Chorus.txt"},
        {"/p/Chorus.txt", "/p/Chorus.txt"},
        {"/p/Chorus.TXT", "/p/Chorus.TXT.txt"},
    };
    for (const auto& [chosen, path] : cases)
        EXPECT_EQ(presetPathWithExtension(chosen), path) << chosen.toStdString();
}

TEST(PresetFileTest, EverySavedPresetLoadsBackThroughTheCheck) {
    const std::vector<ControlScale> shown = {
        {Kind::Pot, 0}, {Kind::Pot, 0}, {Kind::Switch, 0}, {Kind::Button, 0}, {Kind::MultiSwitch, 3}};
    // Levels on each control's grid, and levels a save writes when a knob on the pedal left them
    // off it: above a pot's range, below 0 (two's complement), a switch at 1, a selector at 500.
    const std::vector<std::int32_t> saves[] = {{0, 1023, 1024, 0, 682}, {2000, -5, 1, -1024, 500}};
    for (const std::vector<std::int32_t>& values : saves) {
        const PresetContent content{0x2B, 7, values, {0, 0xFF, 8, 11, 0xFF}, {2, 0xFF}};
        QTemporaryDir folder;
        const QString path = presetPathWithExtension(folder.filePath(QStringLiteral("Round trip")));
        ASSERT_TRUE(writePresetFile(path, composePresetText(content)).ok);

        const FileResult read = readPresetFile(path);
        ASSERT_TRUE(read.ok) << read.error.toStdString();
        const CheckedPreset checked = checkPresetText(read.text, 0x2B, shown);
        ASSERT_TRUE(checked.ok()) << checked.error.toStdString();
        EXPECT_EQ(checked.fields->effectNumber, 0x2B);
        EXPECT_EQ(checked.fields->effectVersion, 7);
        EXPECT_EQ(checked.fields->parameterCount, 5u);
        EXPECT_EQ(checked.fields->values, content.values);
    }
}

TEST(PresetFileTest, RefusesAFileThatDoesNotFitTheEffectShown) {
    const QString nothing = QStringLiteral("Nothing was loaded; choose a preset saved for this effect.");
    auto with = [](int field, const QString& text) {
        QStringList fields = kGoodFields;
        fields[field] = text;
        return loaded(fields);
    };
    struct Case {
        QString text;
        QString message;
    };
    const QString notAPreset =
        QStringLiteral("This file is not a preset saved by the editor: it must begin with "
                       "the effect number, its version and the number of parameters, in "
                       "hexadecimal, one to a line.");
    const std::vector<Case> cases = {
        {"Shopping list\r\n", notAPreset},
        {"", notAPreset},
        {with(2, "11"), "The preset file lists 17 parameters, but an effect has at most 16."},
        {with(2, "02"), "The preset file lists 2 parameters, but the effect shown has 3."},
        {with(0, "0016"), "This preset was saved for effect number 22, but the effect shown is number 21."},
        {loaded(kGoodFields.mid(0, 5)), "The preset file ends early: line 6, the level of parameter 3 of 3, "
                                        "is missing or shorter than 8 digits."},
        {with(5, "300"), "The preset file ends early: line 6, the level of parameter 3 of 3, is missing or "
                         "shorter than 8 digits."},
        {with(4, "0000040G"),
         "Line 5 of the preset file should hold the level of parameter 2 of 3 as 8 hexadecimal "
         "digits, but it holds \"0000040G\"."},
        {with(4, "000004000"), "Line 5 of the preset file should hold the level of parameter 2 of 3 as 8 "
                               "hexadecimal digits, but it holds \"000004000\"."},
    };
    ASSERT_TRUE(checkPresetText(loaded(kGoodFields), 0x15, kShown).ok());
    for (const Case& c : cases) {
        const CheckedPreset checked = checkPresetText(c.text, 0x15, kShown);
        EXPECT_FALSE(checked.fields.has_value()) << c.text.toStdString();
        EXPECT_EQ(checked.error, c.message + u' ' + nothing) << c.text.toStdString();
    }
}

TEST(PresetFileTest, ByPositionReadKeepsTheBytesItDoesNotReach) {
    struct Case {
        const char* name;
        QString text;
        PresetFields previous;
        PresetFields expected;
    };
    const std::vector<Case> cases = {
        {"value stops at its third digit pair",
         loaded({"0015", "02", "01", "0000G200"}),
         {0x15, 2, 1, {0x12345678}},
         {0x15, 2, 1, {0x00005678}}},
        {"value stops inside a pair",
         loaded({"0015", "02", "01", "0000020G"}),
         {0x15, 2, 1, {0x12345678}},
         {0x15, 2, 1, {0x00000278}}},
        {"effect number replaces only its two low-order bytes",
         loaded({"00G1", "0a", "01", "00000a0b"}),
         {-1, 0x1234, 1, {0}},
         {static_cast<std::int32_t>(0xFFFF00FF), 0x120A, 1, {0xA0B}}},
        {"a larger count reads the values it adds",
         loaded({"0015", "02", "02", "00000001", "00000002"}),
         {0x15, 2, 1, {7}},
         {0x15, 2, 2, {1, 2}}},
        {"no text changes nothing", "", {0x15, 2, 2, {5, 6}}, {0x15, 2, 2, {5, 6}}},
    };
    for (const Case& c : cases) {
        const PresetFields read = parsePresetFields(c.text, c.previous);
        EXPECT_EQ(read.effectNumber, c.expected.effectNumber) << c.name;
        EXPECT_EQ(read.effectVersion, c.expected.effectVersion) << c.name;
        EXPECT_EQ(read.parameterCount, c.expected.parameterCount) << c.name;
        EXPECT_EQ(read.values, c.expected.values) << c.name;
    }
}

TEST(PresetFileTest, AFailedWriteLeavesTheExistingFileAsItWas) {
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("Chorus.txt"));
    const QByteArray old = "\xEF\xBB\xBF"
                           "0015\r02\r00\r";
    putBytes(existing, old);
    const PresetContent big{0x15, 2, std::vector<std::int32_t>(16, 512), {}, {0, 1, 2, 3}};
    {
        const FileSizeLimit full(static_cast<rlim_t>(old.size()));
        const FileResult written = writePresetFile(existing, composePresetText(big));
        EXPECT_FALSE(written.ok);
        EXPECT_FALSE(written.error.isEmpty());
    }
    EXPECT_EQ(fileBytes(existing), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"Chorus.txt"}) << "a leftover file";

    // A directory in the way of the name, and a folder that is not there.
    const QString inTheWay = folder.filePath(QStringLiteral("Flanger.txt"));
    ASSERT_TRUE(QDir().mkpath(inTheWay + QStringLiteral("/kept")));
    for (const QString& path : {inTheWay, folder.filePath(QStringLiteral("missing/Flanger.txt"))}) {
        const FileResult written = writePresetFile(path, composePresetText(big));
        EXPECT_FALSE(written.ok) << path.toStdString();
        EXPECT_FALSE(written.error.isEmpty()) << path.toStdString();
    }
    EXPECT_TRUE(QDir(inTheWay + QStringLiteral("/kept")).exists());
    EXPECT_FALSE(QDir(folder.filePath(QStringLiteral("missing"))).exists());
}

TEST(PresetFileTest, AFileThatCannotBeAPresetIsNotRead) {
    QTemporaryDir folder;
    const QString huge = folder.filePath(QStringLiteral("huge.txt"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kMaxPresetFileBytes + 1));
    }
    for (const QString& path : {folder.filePath(QStringLiteral("absent.txt")), folder.path(), huge}) {
        const FileResult read = readPresetFile(path);
        EXPECT_FALSE(read.ok) << path.toStdString();
        EXPECT_TRUE(read.text.isEmpty()) << path.toStdString();
        EXPECT_FALSE(read.error.isEmpty()) << path.toStdString();
    }
}

TEST(PresetFileTest, PresetFolderIsMadeBelowTheDocumentsFolder) {
    QTemporaryDir folder;
    ScriptedServices services;
    services.documents = folder.filePath(QStringLiteral("Documents"));
    const FileResult made = ensurePresetFolder(services);
    EXPECT_TRUE(made.ok) << made.error.toStdString();
    EXPECT_EQ(made.text, services.documents + QStringLiteral("/Merrow/Tarvo Max/Preset"));
    EXPECT_TRUE(QDir(made.text).exists());

    // No documents folder must not mean a folder at the root; a file in the way is reported.
    const QString file = folder.filePath(QStringLiteral("file"));
    putBytes(file, "x");
    for (const QString& documents : {QString(), file}) {
        services.documents = documents;
        const FileResult refused = ensurePresetFolder(services);
        EXPECT_FALSE(refused.ok) << documents.toStdString();
        EXPECT_FALSE(refused.error.isEmpty()) << documents.toStdString();
    }
}

} // namespace
