// The product's desktop services themselves: the boxes they show and the updater they start
// with administrator rights, through a pkexec of the test's own.

#include "app/QtServices.h"
#include "support/Files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// What the box showed, then it is answered (its first button) so the call returns.
struct ShownBox {
    Qt::TextFormat format = Qt::AutoText;
    Qt::TextFormat labelFormat = Qt::AutoText;
    QString text;
    bool seen = false;
};

ShownBox answerTheBox(const std::function<void()>& openIt) {
    ShownBox shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || shown.seen)
            return;
        shown.seen = true;
        shown.format = box->textFormat();
        shown.text = box->text();
        if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            shown.labelFormat = label->textFormat();
        box->buttons().first()->click();
    });
    poll.start(10);
    openIt();
    return shown;
}

TEST(DesktopServices, EveryBoxShowsOutsideTextAsPlainText) {
    QtServices services;
    // A web server's reason for a 503, as one once sent it.
    const QString outside =
        QStringLiteral("Error: <h1>Service Unavailable</h1><a href=\"http://example.invalid\">details</a>");
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"message", [&] { services.showMessage(outside); }},
        {"error report", [&] { services.reportError(outside); }},
        {"question", [&] { services.confirm(outside); }},
    };
    for (const auto& [kind, openIt] : boxes) {
        const ShownBox shown = answerTheBox(openIt);
        ASSERT_TRUE(shown.seen) << kind;
        EXPECT_EQ(shown.format, Qt::PlainText) << kind;
        EXPECT_EQ(shown.labelFormat, Qt::PlainText) << kind;
        EXPECT_EQ(shown.text, outside) << kind;
    }
}

// A pkexec that writes down that it ran and then does as the test says: run the program as the
// real one does once authorised, or end with the status given (126 dismissed, 127 refused).
struct FakePkexec : ::testing::Test {
    void SetUp() override {
        savedPath = qgetenv("PATH");
        const QString script = dir.filePath("pkexec");
        putBytes(script, "#!/bin/sh\n"
                         "echo called >> \"$(dirname \"$0\")/called\"\n"
                         "case \"$FAKE_PKEXEC\" in run) exec \"$@\" ;; *) exit \"$FAKE_PKEXEC\" ;; esac\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir.path().toUtf8() + ':' + savedPath);
    }
    void TearDown() override {
        qputenv("PATH", savedPath);
        qunsetenv("FAKE_PKEXEC");
    }
    QString updater(bool executable) {
        const QString path = dir.filePath("TARVO_MAX_Win_Updater.exe");
        putBytes(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/ran\"\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                        (executable ? QFile::ExeOwner : QFile::Permissions()));
        return path;
    }
    bool pkexecCalled() const { return QFile::exists(dir.filePath("called")); }

    QTemporaryDir dir;
    QByteArray savedPath;
    QtServices services{QtServices::kHttpTimeoutMs, 5000};
};

TEST_F(FakePkexec, AnUpdaterThatIsNotThereOrCannotRunIsNeverHandedToPkexec) {
    qputenv("FAKE_PKEXEC", "run");
    EXPECT_FALSE(services.startElevated(dir.filePath("TARVO_MAX_Win_Updater.exe"), {"a", "b"}));
    EXPECT_FALSE(services.startElevated(updater(false), {"a", "b"}));
    EXPECT_FALSE(services.startElevated(dir.path(), {"a", "b"})) << "a folder is no program";
    EXPECT_FALSE(pkexecCalled());
}

TEST_F(FakePkexec, PkexecsRefusalIsAFailureAndItsRunningTheUpdaterASuccess) {
    const QString program = updater(true);
    for (const char* status : {"127", "126"}) {
        qputenv("FAKE_PKEXEC", status);
        EXPECT_FALSE(services.startElevated(program, {"a"})) << "pkexec ended with " << status;
    }
    EXPECT_TRUE(pkexecCalled());

    qputenv("FAKE_PKEXEC", "run");
    EXPECT_TRUE(services.startElevated(program, {"/tmp/u/TARVO_MAX_Editor_Update.exe", "/opt/t/editor"}));
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(dir.filePath("ran")) && waited.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_EQ(fileBytes(dir.filePath("ran")), "/tmp/u/TARVO_MAX_Editor_Update.exe\n/opt/t/editor\n");
}

} // namespace
