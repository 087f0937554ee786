// The preset library's core: what a folder of presets lists as, the files a player renames, copies
// and puts in the trash, and the edit history the parameter window keeps.

#include "params/EditHistory.h"
#include "params/PresetLibrary.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B; // 7 parameters

QByteArray presetBytes(int effect, int version, const std::vector<std::int32_t>& values) {
    return presetFileBytes(composePresetText({effect, version, values, {}, {}}));
}

const std::vector<std::int32_t> kDelayLevels = {512, 700, 0, 0, 1024, 0, 408};

// The library's folder, and a trash of the test's own: nothing a test puts in the trash lands in
// the user's, nor anywhere else.
struct Library : ::testing::Test {
    QTemporaryDir home;
    QString folder = home.filePath(QStringLiteral("Preset"));
    QString trash = home.filePath(QStringLiteral("data/Trash/files"));
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(folder));
        // The data folder is not there yet, as on a desktop where nothing was ever trashed.
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("HOME", home.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }
    void put(const QString& file, const QByteArray& bytes) { putBytes(folder + u'/' + file, bytes); }
    QStringList files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }
};

TEST_F(Library, ListsEveryTxtFileAsAPresetOrWithWhyItIsNone) {
    put("clean delay.txt", presetBytes(kDigitalDelay, 1, kDelayLevels));
    put("alien.txt", presetBytes(0x63, 2, {1, 2}));
    put("Bright.txt", presetBytes(kDigitalDelay, 3, kDelayLevels));
    put("short.txt", presetBytes(kDigitalDelay, 1, kDelayLevels).left(38));
    put("three.txt", presetBytes(kDigitalDelay, 1, {1, 2, 3}));
    put("notes.txt", "shopping list");
    put("readme.md", "not in the library");
    put("LOUD.TXT", presetBytes(kDigitalDelay, 1, kDelayLevels));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("folder.txt")));

    LibraryCatalogue catalogue;
    const QList<LibraryEntry> entries = listPresetLibrary(folder, catalogue);
    struct Expected {
        const char* name;
        bool preset;
        const char* effectOrProblem;
        int version;
        std::uint32_t count;
    };
    const std::vector<Expected> expected = {
        {"alien", true, "unknown effect 99", 2, 2},
        {"Bright", true, "Digital Delay", 3, 7},
        {"clean delay", true, "Digital Delay", 1, 7},
        {"notes", false, "not a preset saved by the editor", 0, 0},
        {"short", false, "ends early: line 6", 0, 0},
        {"three", false, "It lists 3 parameters, but Digital Delay has 7.", 0, 0},
    };
    ASSERT_EQ(entries.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const LibraryEntry& e = entries.at(static_cast<qsizetype>(i));
        const Expected& x = expected[i];
        EXPECT_EQ(e.name, x.name);
        EXPECT_EQ(e.preset, x.preset) << x.name;
        EXPECT_TRUE(e.modified.isValid()) << x.name;
        if (x.preset) {
            EXPECT_EQ(e.effectText(), x.effectOrProblem) << x.name;
            EXPECT_EQ(e.effectVersion, x.version) << x.name;
            EXPECT_EQ(e.parameterCount, x.count) << x.name;
        } else {
            EXPECT_TRUE(e.problem.contains(x.effectOrProblem)) << x.name << ": " << e.problem.toStdString();
        }
    }
    EXPECT_EQ(entries.at(2).values, kDelayLevels);
}

TEST_F(Library, RenamesCopiesAndTrashesByNameWithoutLosingAFile) {
    const QByteArray lead = presetBytes(kDigitalDelay, 1, kDelayLevels);
    put("lead.txt", lead);
    put("rhythm.txt", presetBytes(kDigitalDelay, 1, {0, 0, 0, 0, 0, 0, 0}));

    EXPECT_FALSE(saveLibraryPreset(folder, "lead", "other", false).ok)
        << "an existing preset is not replaced";
    EXPECT_EQ(fileBytes(folder + "/lead.txt"), lead);
    for (const char* bad : {"", " lead", "a/b", ".hidden"})
        EXPECT_FALSE(renameLibraryPreset(folder, "lead", bad).ok) << bad;
    const FileResult taken = renameLibraryPreset(folder, "lead", "rhythm");
    EXPECT_FALSE(taken.ok);
    EXPECT_EQ(taken.error, "A preset called \"rhythm\" is in the library already.");
    EXPECT_EQ(files(), (QStringList{"lead.txt", "rhythm.txt"}));

    ASSERT_TRUE(renameLibraryPreset(folder, "lead", "solo").ok);
    EXPECT_EQ(duplicateLibraryPreset(folder, "solo").text, "solo copy");
    EXPECT_EQ(duplicateLibraryPreset(folder, "solo").text, "solo copy 2");
    EXPECT_EQ(fileBytes(folder + "/solo copy 2.txt"), lead);
    EXPECT_EQ(files(), (QStringList{"rhythm.txt", "solo copy 2.txt", "solo copy.txt", "solo.txt"}));

    // Qt makes the trash inside the data folder but not the folder itself; without it the file
    // went into "files" below the working folder. Trashed from another working folder, it lands
    // in the trash all the same, and nowhere else.
    QTemporaryDir elsewhere;
    const QString working = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    const FileResult trashed = trashLibraryPreset(folder, "solo");
    QDir::setCurrent(working);
    ASSERT_TRUE(trashed.ok) << trashed.error.toStdString();
    EXPECT_EQ(fileBytes(trash + "/solo.txt"), lead);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_FALSE(trashLibraryPreset(folder, "solo").ok) << "gone from the library";
    EXPECT_EQ(files(), (QStringList{"rhythm.txt", "solo copy 2.txt", "solo copy.txt"}));
}

// A snapshot of three pots at these levels, nothing else.
EditSnapshot pots(std::int32_t a, std::int32_t b, std::int32_t c) {
    EditSnapshot s;
    s.levels = {a, b, c};
    return s;
}

TEST(EditHistoryTest, UndoAndRedoWalkTheStepsAndANewStepDropsWhatWasUndone) {
    EditHistory history;
    history.restart("Digital Delay");
    history.settle(pots(0, 0, 0));
    EXPECT_FALSE(history.record(EditOrigin::Player, pots(0, 0, 0))) << "nothing changed, no step";
    ASSERT_TRUE(history.record(EditOrigin::Player, pots(512, 0, 0)));
    ASSERT_TRUE(history.record(EditOrigin::Pedal, pots(512, 300, 0)));

    std::optional<EditStep> step = history.undo();
    ASSERT_TRUE(step);
    EXPECT_EQ(step->origin, EditOrigin::Pedal);
    ASSERT_EQ(step->changes.size(), 1u);
    EXPECT_EQ(step->changes[0].index, 1);
    EXPECT_EQ(step->changes[0].from, 0);
    EXPECT_EQ(step->changes[0].to, 300);
    EXPECT_EQ(history.current().levels, pots(512, 0, 0).levels);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(history.current().levels, pots(512, 300, 0).levels);

    history.undo();
    history.record(EditOrigin::Player, pots(512, 0, 9));
    EXPECT_FALSE(history.canRedo()) << "a new step after an undo drops the undone one";
    history.restart("Shimmer Reverb");
    EXPECT_FALSE(history.canUndo()) << "another effect, another history";
}

TEST(EditHistoryTest, OneGestureIsOneStepFromWhereItStarted) {
    EditHistory history;
    history.settle(pots(100, 0, 0));
    for (int level : {120, 180, 260})
        history.record(EditOrigin::Player, pots(level, 0, 0), "drag 0 1");
    ASSERT_EQ(history.steps().size(), 1u);
    EXPECT_EQ(history.steps().back().changes[0].from, 100);
    EXPECT_EQ(history.steps().back().changes[0].to, 260);
    history.record(EditOrigin::Player, pots(260, 5, 0), "drag 1 2");
    EXPECT_EQ(history.steps().size(), 2u) << "another gesture, another step";
    history.record(EditOrigin::Player, pots(260, 0, 0), "drag 1 2");
    EXPECT_EQ(history.steps().size(), 1u) << "a gesture that ends where it began leaves no step";
    EXPECT_EQ(history.undo()->changes[0].to, 260);
    EXPECT_EQ(history.current().levels, pots(100, 0, 0).levels);
}

} // namespace
