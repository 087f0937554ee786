#include "base/StartupSettings.h"
#include "base/VersionCheck.h"
#include "support/Files.h"
#include "support/ScriptedServices.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using Reply = Services::HttpReply;

struct Settings : ::testing::Test {
    QString file(const QString& relative) { return services.documents + u'/' + relative; }
    ScriptedServices services;
};

TEST_F(Settings, AFirstStartWritesTheDefaultsExactlyAndChangesNothing) {
    // The documents folder itself may be missing on a fresh Linux account.
    services.documents += QStringLiteral("/Documents");
    EXPECT_EQ(StartupSettings::ensureFolder(services, "Merrow"), "");
    EXPECT_EQ(StartupSettings::ensureFolder(services, "Merrow/Tarvo Max"), "");
    EXPECT_EQ(StartupSettings::ensureFolder(services, "Merrow"), "") << "an existing folder is fine";

    const StartupSettings::Loaded loaded = StartupSettings::load(services);
    EXPECT_TRUE(loaded.problems.isEmpty()) << loaded.problems.join(u'\n').toStdString();
    EXPECT_EQ(fileBytes(file("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt")), "YES");
    EXPECT_EQ(fileBytes(file("Merrow/Tarvo Max/Mode.txt")), "PRESET");
    EXPECT_EQ(loaded.showUpdateMessage, true);
    EXPECT_EQ(loaded.bankMode, false);
    EXPECT_FALSE(QFile::exists(file("Merrow/style.txt")));
    const StartupSettings::Look look = StartupSettings::readLook(services);
    EXPECT_EQ(look.number, 0);
    EXPECT_EQ(look.problem, "");
}

TEST_F(Settings, TheFilesAreComparedExactly) {
    struct Case {
        QByteArray content;
        std::optional<bool> showUpdateMessage;
        std::optional<bool> bankMode;
    };
    const Case cases[] = {
        {"NO", false, std::nullopt},
        {"YES", true, std::nullopt},
        {"no", std::nullopt, std::nullopt},
        {"NO\r\n", std::nullopt, std::nullopt},
        {" NO", std::nullopt, std::nullopt},
        {"\xEF\xBB\xBFNO", false, std::nullopt},                // a UTF-8 byte-order mark is not content
        {QByteArray("\xFF\xFEN\0O\0", 6), false, std::nullopt}, // nor is UTF-16's
        {"BANK", std::nullopt, true},
        {"PRESET", std::nullopt, false},
        {"bank", std::nullopt, std::nullopt},
        {"BANK\n", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        putBytes(file(StartupSettings::kNoticeFile), c.content);
        putBytes(file(StartupSettings::kModeFile), c.content);
        const StartupSettings::Loaded loaded = StartupSettings::load(services);
        EXPECT_EQ(loaded.showUpdateMessage, c.showUpdateMessage) << c.content.toHex().toStdString();
        EXPECT_EQ(loaded.bankMode, c.bankMode) << c.content.toHex().toStdString();
        EXPECT_TRUE(loaded.problems.isEmpty());
        EXPECT_EQ(fileBytes(file(StartupSettings::kModeFile)), c.content) << "read, never rewritten";
    }
}

TEST_F(Settings, TheLookFileHoldsAWholeNumberOrLookZeroIsUsed) {
    struct Case {
        QByteArray content;
        int look;
        bool problem;
    };
    const Case cases[] = {{"5", 5, false}, {"7", 7, false},  {"12", 12, false},       {"x", 0, true},
                          {"", 0, true},   {"3.5", 0, true}, {"99999999999", 0, true}};
    for (const Case& c : cases) {
        putBytes(file(StartupSettings::kStyleFile), c.content);
        const StartupSettings::Look look = StartupSettings::readLook(services);
        EXPECT_EQ(look.number, c.look) << c.content.toStdString();
        EXPECT_EQ(!look.problem.isEmpty(), c.problem) << c.content.toStdString();
    }
    EXPECT_EQ(StartupSettings::writeLook(services, 6), "");
    EXPECT_EQ(fileBytes(file("Merrow/style.txt")), "6");
}

TEST_F(Settings, TheNoticeIsWrittenOnlyWhereItsFileExists) {
    EXPECT_EQ(StartupSettings::writeNotice(services, false), "");
    EXPECT_FALSE(QFile::exists(file(StartupSettings::kNoticeFile)));
    putBytes(file(StartupSettings::kNoticeFile), "YES");
    EXPECT_EQ(StartupSettings::writeNotice(services, false), "");
    EXPECT_EQ(fileBytes(file(StartupSettings::kNoticeFile)), "NO");
    EXPECT_EQ(StartupSettings::writeNotice(services, true), "");
    EXPECT_EQ(fileBytes(file(StartupSettings::kNoticeFile)), "YES");
}

TEST_F(Settings, FilesThatCannotBeReadOrMadeAreNamedAndTheDefaultsStay) {
    // Folders where the files should be: they can be neither read nor written, not even by root.
    QDir().mkpath(file(StartupSettings::kNoticeFile));
    QDir().mkpath(file(StartupSettings::kStyleFile));
    const StartupSettings::Loaded loaded = StartupSettings::load(services);
    EXPECT_EQ(loaded.showUpdateMessage, std::nullopt);
    EXPECT_EQ(loaded.bankMode, false) << "the mode file was still made";
    ASSERT_EQ(loaded.problems.size(), 1);
    EXPECT_TRUE(loaded.problems.first().contains("ShowMessageVersionAtStartup.txt"));
    const StartupSettings::Look look = StartupSettings::readLook(services);
    EXPECT_EQ(look.number, 0);
    EXPECT_TRUE(look.problem.contains("style.txt"));
    EXPECT_TRUE(StartupSettings::writeLook(services, 3).startsWith("Cannot write"));

    // A documents "folder" that is a file: nothing can be made below it.
    services.documents = file(StartupSettings::kModeFile);
    EXPECT_NE(StartupSettings::ensureFolder(services, "Merrow"), "");
    const StartupSettings::Loaded nowhere = StartupSettings::load(services);
    EXPECT_EQ(nowhere.problems.size(), 2);
    EXPECT_EQ(nowhere.showUpdateMessage, std::nullopt);
    EXPECT_EQ(nowhere.bankMode, std::nullopt);
}

TEST(VersionCheckTest, ComparesTheDigitsWithTheDotsRemoved) {
    struct Case {
        const char* web;
        const char* app;
        std::optional<bool> newer;
    };
    const Case cases[] = {
        {"1.1", "1.0", true},
        {"1.0", "1.0", false},
        {"1.10", "2.0", true}, // 110 > 20
        {"1.1.5", "1.2", true},
        {"2.0", "1.10", false},
        {"0.9", "1.0", false},
        {"", "1.0", std::nullopt},
        {"1.1", "Version info not available", std::nullopt},
        {"v1.1", "1.0", std::nullopt},
        {"1.1 beta", "1.0", std::nullopt},
        {"-1.1", "1.0", std::nullopt},
        {"...", "1.0", std::nullopt},
        {"99999999999999999999", "1.0", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionCheck::isNewer(c.web, c.app), c.newer) << c.web << " against " << c.app;
}

TEST(VersionCheckTest, EveryAnswerGivesAVersionOrOneReason) {
    struct Case {
        Reply reply;
        QString version;
        QString problemStart;
        bool noAnswer;
    };
    const Case cases[] = {
        {{true, 200, "OK", "1.1", {}}, "1.1", "", false},
        {{true, 200, "OK", "1.1\r\n", {}}, "1.1", "", false},
        {{false, 404, "Not Found", "<html>gone</html>", "server replied: Not Found"},
         "",
         "Error: Not Found",
         false},
        {{false, 500, "", "", "error"}, "", "Error: 500", false},
        {{false, 0, "", "", "Connection refused"},
         "",
         "Cannot check for a new version: Connection refused",
         true},
        {{false, 0, "", "", ""}, "", "Cannot check for a new version: no answer", true},
        {{true, 200, "OK", "<html><body>Tarvo Max</body></html>", {}},
         "",
         "The web site's answer is not",
         false},
        {{true, 200, "OK", "", {}}, "", "The web site's answer is not", false},
        {{true, 200, "OK", QString(300, u'1'), {}}, "", "The web site's answer is not", false},
        // A 200 whose body did not all come is no version, however much it looks like one.
        {{false, 200, "OK", "1.1", "the answer was cut short (3 of 8 bytes came)"},
         "",
         "Cannot check for a new version: the answer was cut short",
         true},
    };
    for (const Case& c : cases) {
        const VersionCheck::WebVersion got = VersionCheck::readVersionReply(c.reply);
        EXPECT_EQ(got.version, c.version) << c.reply.body.toStdString();
        if (c.problemStart.isEmpty())
            EXPECT_EQ(got.problem, "");
        else
            EXPECT_TRUE(got.problem.startsWith(c.problemStart)) << got.problem.toStdString();
        EXPECT_EQ(got.noAnswer, c.noAnswer) << got.problem.toStdString();
    }
}

TEST(VersionCheckTest, TheWebHostIsConfiguration) {
    qunsetenv("TARVO_MAX_WEB_HOST");
    EXPECT_EQ(VersionCheck::webAddress(VersionCheck::kVersionPath),
              VersionCheck::kDefaultWebHost + "/download/tarvomax/tarvo-max-version.php");
    qputenv("TARVO_MAX_WEB_HOST", "http://127.0.0.1:8765/");
    EXPECT_EQ(VersionCheck::webAddress(VersionCheck::kSupportPath), "http://127.0.0.1:8765/contact-us/");
    EXPECT_EQ(VersionCheck::webAddress(VersionCheck::kWhatsNewPath),
              "http://127.0.0.1:8765/download/updatetarvomax/whatsnew.html");
    qunsetenv("TARVO_MAX_WEB_HOST");
}

TEST(VersionCheckTest, TheUpdaterIsBesideTheEditorAndGetsTheDownloadThenTheEditor) {
    const VersionCheck::UpdaterLaunch launch =
        VersionCheck::updaterLaunch("/opt/Tarvo Max/bin/tarvo-max-editor", "/tmp/user 1");
    EXPECT_EQ(launch.program, "/opt/Tarvo Max/bin/TARVO_MAX_Win_Updater.exe");
    EXPECT_EQ(launch.arguments, (QStringList{"/tmp/user 1/TARVO_MAX_Editor_Update.exe",
                                             "/opt/Tarvo Max/bin/tarvo-max-editor"}));
}

} // namespace
