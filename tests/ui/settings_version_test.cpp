#include "TestEditor.h"
#include "support/Files.h"

#include "app/QtServices.h"
#include "app/TformNewVersionMsg.h"
#include "base/VersionCheck.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString look(int n) {
    return QString::fromUtf8(ProductData::raw(QStringLiteral("STYLE_%1").arg(n)).value_or("<no sheet>"));
}

// ---- Settings kept between runs ----

struct Settings : ::testing::Test {
    QString file(const QString& relative) const { return documents.path() + u'/' + relative; }
    TestEditor start() { return TestEditor(WithDocuments{documents.path()}); }
    QTemporaryDir documents;
};

TEST_F(Settings, AFirstStartMakesTheFoldersAndFilesAndWearsLookZero) {
    TestEditor editor = start();
    EXPECT_TRUE(QFileInfo(file("Merrow/Tarvo Max")).isDir());
    EXPECT_EQ(fileBytes(file("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt")), "YES");
    EXPECT_EQ(fileBytes(file("Merrow/Tarvo Max/Mode.txt")), "PRESET");
    EXPECT_FALSE(QFile::exists(file("Merrow/style.txt")));
    EXPECT_EQ(qApp->styleSheet(), look(0));
    EXPECT_TRUE(editor.find<QAction>("menuModePreset")->isChecked());
    EXPECT_FALSE(editor.find<QAction>("menuModeBank")->isChecked());
    EXPECT_FALSE(editor.enabled("lblBankNum"));
    EXPECT_TRUE(editor.find<QAction>("menuShowUpdateMsg")->isChecked());
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(Settings, WhatTheFilesSayIsAppliedAtStart) {
    putBytes(file("Merrow/Tarvo Max/Mode.txt"), "BANK");
    putBytes(file("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt"), "NO");
    putBytes(file("Merrow/style.txt"), "7"); // the look the menu does not offer
    TestEditor editor = start();
    EXPECT_TRUE(editor.context->state.bankMode);
    EXPECT_TRUE(editor.find<QAction>("menuModeBank")->isChecked());
    EXPECT_FALSE(editor.find<QAction>("menuModePreset")->isChecked());
    EXPECT_TRUE(editor.enabled("lblBankNum"));
    EXPECT_TRUE(editor.find<QRadioButton>("rdbtnBank1")->isChecked());
    EXPECT_FALSE(editor.find<QAction>("menuShowUpdateMsg")->isChecked());
    EXPECT_EQ(qApp->styleSheet(), look(7));
    EXPECT_EQ(fileBytes(file("Merrow/Tarvo Max/Mode.txt")), "BANK") << "reading writes nothing back";
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(Settings, ANoticeFileNotExactlyNoLeavesTheNoticeOn) {
    for (const QByteArray& content : {QByteArray("no"), QByteArray("NO\r\n")}) {
        putBytes(file("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt"), content);
        TestEditor editor = start();
        EXPECT_TRUE(editor.find<QAction>("menuShowUpdateMsg")->isChecked()) << content.toStdString();
    }
}

TEST_F(Settings, APickedLookIsWornAtOnceAndAgainAfterARestart) {
    {
        TestEditor editor = start();
        QWidget* console = editor.find("formPrint");
        const QColor before = console->palette().color(QPalette::Window);
        editor.trigger("menuLook5");
        EXPECT_EQ(qApp->styleSheet(), look(5));
        EXPECT_NE(console->palette().color(QPalette::Window), before) << "a hidden window changes too";
        EXPECT_EQ(fileBytes(file("Merrow/style.txt")), "5");
        for (const char* sized : {"lblBankNum", "lblLive", "rdbtnBank3"}) {
            QWidget* control = editor.find(sized);
            EXPECT_GE(control->width(), control->sizeHint().width()) << sized << " fits the look's font";
        }
    }
    qApp->setStyleSheet(QString());
    TestEditor again = start();
    EXPECT_EQ(qApp->styleSheet(), look(5));
}

TEST_F(Settings, TheLookMenuNamesTheLooksAndTicksTheOneWorn) {
    const auto ticked = [](TestEditor& editor) {
        QStringList names;
        for (QAction* item : editor.find<QMenu>("menuLook")->actions())
            if (item->isChecked())
                names << item->objectName();
        return names;
    };
    {
        TestEditor editor = start();
        EXPECT_EQ(editor.text("menuLook0"), "0: Studio Light");
        EXPECT_EQ(editor.text("menuLook6"), "6: Graphite");
        EXPECT_EQ(ticked(editor), QStringList{"menuLook0"});
        editor.trigger("menuLook3");
        EXPECT_EQ(ticked(editor), QStringList{"menuLook3"});
        editor.trigger("menuLook3");
        EXPECT_EQ(ticked(editor), QStringList{"menuLook3"}) << "picking the look worn keeps it ticked";
    }
    putBytes(file("Merrow/style.txt"), "7");
    TestEditor editor = start();
    EXPECT_TRUE(ticked(editor).isEmpty()) << "the menu does not offer look 7";
}

TEST_F(Settings, ShowUpdateMessageTogglesAndKeepsItsStateInTheFile) {
    TestEditor editor = start();
    const QString notice = file("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt");
    editor.trigger("menuShowUpdateMsg");
    EXPECT_FALSE(editor.find<QAction>("menuShowUpdateMsg")->isChecked());
    EXPECT_EQ(fileBytes(notice), "NO");
    editor.trigger("menuShowUpdateMsg");
    EXPECT_EQ(fileBytes(notice), "YES");
    QFile::remove(notice);
    editor.trigger("menuShowUpdateMsg");
    EXPECT_FALSE(QFile::exists(notice)) << "a file that is gone is not made again";
}

TEST_F(Settings, BrokenSettingsAreToldOnceAndTheEditorStillOpens) {
    putBytes(file("Merrow/style.txt"), "blue");
    QDir().mkpath(file("Merrow/Tarvo Max/Mode.txt")); // neither readable nor writable
    qApp->setStyleSheet(look(3));
    TestEditor editor = start();
    EXPECT_TRUE(editor.find("formMain")->isVisible());
    ASSERT_EQ(editor.services.errors.size(), 1) << editor.services.errors.join(" | ").toStdString();
    EXPECT_TRUE(editor.services.errors.first().contains("Mode.txt"));
    EXPECT_TRUE(editor.services.errors.first().contains("style.txt"));
    EXPECT_EQ(qApp->styleSheet(), look(0));
    EXPECT_TRUE(editor.find<QAction>("menuModePreset")->isEnabled());
    EXPECT_EQ(editor.find<QListWidget>("lstCategory")->count() > 0, true);
}

TEST_F(Settings, ADocumentsFolderThatCannotBeWrittenIsOneMessage) {
    // A file where the documents folder should be: nothing below it can be made, even by root.
    putBytes(file("Documents"), "x");
    TestEditor editor(WithDocuments{file("Documents")});
    EXPECT_TRUE(editor.find("formMain")->isVisible());
    ASSERT_EQ(editor.services.messages.size(), 1) << editor.services.messages.join(" | ").toStdString();
    EXPECT_TRUE(editor.services.messages.first().startsWith("Error creating folder: "));
    EXPECT_TRUE(editor.services.errors.isEmpty());
    EXPECT_EQ(qApp->styleSheet(), look(0));
    editor.trigger("menuLook2");
    EXPECT_EQ(qApp->styleSheet(), look(2)) << "the look still changes for this run";
    ASSERT_EQ(editor.services.errors.size(), 1);
    EXPECT_TRUE(editor.services.errors.first().startsWith("Cannot write"));
}

// ---- The version check against a web server on this machine ----

// Answers every request with one canned HTTP response, or with nothing at all.
class WebServer : public QObject {
public:
    explicit WebServer(QByteArray response) : response_(std::move(response)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n") || response_.isEmpty())
                        return;
                    socket->write(response_);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    // `length` is what the answer promises, the body's own size unless given.
    static QByteArray answer(const QByteArray& status, const QByteArray& body,
                             const QByteArray& type = "text/html; charset=UTF-8", qsizetype length = -1) {
        return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
               "\r\nContent-Length: " + QByteArray::number(length < 0 ? body.size() : length) +
               "\r\nConnection: close\r\n\r\n" + body;
    }
    QString host() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QByteArray requestLine() const { return request_.left(request_.indexOf("\r\n")); }

private:
    QTcpServer server_;
    QByteArray response_;
    QByteArray request_;
};

// An editor whose version check goes over the network to `host`, with a short time-out.
struct WebCheck : ::testing::Test {
    void startEditor(const QString& host, const QString& appVersion = QStringLiteral("1.0")) {
        qputenv("TARVO_MAX_WEB_HOST", host.toUtf8());
        editor = std::make_unique<TestEditor>();
        editor->context->state.appVersion = appVersion;
        editor->services.onHttpGet = [this](const QString& url) { return network.httpGet(url); };
    }
    // Lets the one-shot timer fire and the check run.
    void waitForCheck() {
        QElapsedTimer waited;
        waited.start();
        while (editor->services.requestedUrls.isEmpty() && waited.elapsed() < 5000)
            QTest::qWait(20);
        ASSERT_EQ(editor->services.requestedUrls.size(), 1);
        checkMs = waited.elapsed();
        editor->settle();
    }
    void TearDown() override { qunsetenv("TARVO_MAX_WEB_HOST"); }
    QStringList shown() const { return editor->services.messages + editor->services.errors; }

    QtServices network{400};
    std::unique_ptr<TestEditor> editor;
    qint64 checkMs = 0;
};

TEST_F(WebCheck, ComparesTheWebsVersionWithOurs) {
    struct Case {
        QByteArray body;
        const char* app;
        bool newer;
        QString version;
        QByteArray type = "text/html; charset=UTF-8";
    };
    // The body is read in the character set the answer names.
    const QByteArray utf16 = QByteArray::fromHex("FFFE"
                                                 "3100"
                                                 "2E00"
                                                 "3100");
    const Case cases[] = {{"1.1", "1.0", true, "1.1"},
                          {"1.0", "1.0", false, "1.0"},
                          {"1.10", "2.0", true, "1.10"},
                          {utf16, "1.0", true, "1.1", "text/plain; charset=UTF-16LE"},
                          {"1.2", "1.0", true, "1.2", "text/plain; charset=\"iso-8859-1\""}};
    for (const Case& c : cases) {
        WebServer web(WebServer::answer("200 OK", c.body, c.type));
        startEditor(web.host(), c.app);
        waitForCheck();
        const std::string what = c.body.toStdString() + " against " + c.app;
        EXPECT_EQ(editor->services.requestedUrls.first(),
                  web.host() + "/download/tarvomax/tarvo-max-version.php");
        EXPECT_EQ(web.requestLine(), "GET /download/tarvomax/tarvo-max-version.php HTTP/1.1");
        EXPECT_EQ(editor->text("menuNewAppVersion"),
                  c.newer ? "New version available: " + c.version : "No update available")
            << what;
        EXPECT_EQ(editor->enabled("menuUpdateNow"), c.newer) << what;
        EXPECT_EQ(editor->find("formNewVersionMsg")->isVisible(), c.newer) << what;
        EXPECT_TRUE(shown().isEmpty()) << what;
        editor.reset();
    }
}

TEST_F(WebCheck, AFailedCheckSaysSoOnceAndKnowsNoNewVersion) {
    struct Case {
        const char* name;
        QByteArray response; // empty: the server takes the request and never answers
        bool listening;
        QString shownStart;
    };
    const Case cases[] = {
        {"404", WebServer::answer("404 Not Found", "<html>no such page</html>"), true, "Error: Not Found"},
        {"garbage", WebServer::answer("200 OK", "<html><body>Welcome</body></html>"), true,
         "The web site's answer is not a version number"},
        {"too long", WebServer::answer("200 OK", QByteArray(2000, '1')), true,
         "The web site's answer is not a version number"},
        {"cut short", WebServer::answer("200 OK", "1.1", "text/plain", 8), true,
         "Cannot check for a new version: the answer was cut short (3 of 8 bytes came)"},
        {"silent", {}, true, "Cannot check for a new version: no answer within"},
        {"no server", {}, false, "Cannot check for a new version: "},
    };
    for (const Case& c : cases) {
        WebServer web(c.response);
        QString host = web.host();
        if (!c.listening) {
            // A port that was just free: nobody listens there now.
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            host = QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
        }
        startEditor(host);
        waitForCheck();
        ASSERT_EQ(shown().size(), 1) << c.name << ": " << shown().join(" | ").toStdString();
        EXPECT_TRUE(shown().first().startsWith(c.shownStart))
            << c.name << ": " << shown().first().toStdString();
        EXPECT_FALSE(editor->enabled("menuUpdateNow")) << c.name;
        EXPECT_FALSE(editor->find("formNewVersionMsg")->isVisible()) << c.name;
        EXPECT_LT(checkMs, 3000) << c.name << ": the wait is bounded";
        editor.reset();
    }
}

// ---- The notice window and the updater ----

// Waits for the start-up check to have run; true when it has.
bool checkHasRun(TestEditor& editor) {
    QElapsedTimer waited;
    waited.start();
    while (editor.services.requestedUrls.isEmpty() && waited.elapsed() < 5000)
        QTest::qWait(20);
    editor.settle();
    return !editor.services.requestedUrls.isEmpty();
}

void clickDontShowAgain(TestEditor& editor) {
    Pointer::click(editor.find("formNewVersionMsg")->findChild<QCheckBox*>("CheckBox1"));
    editor.settle();
}

const Services::HttpReply kNewerOnTheWeb{true, 200, QStringLiteral("OK"), QStringLiteral("1.1"), {}};

struct Notice : ::testing::Test {
    void SetUp() override {
        editor.services.httpReply = kNewerOnTheWeb;
        ASSERT_TRUE(checkHasRun(editor));
        ASSERT_TRUE(editor.find("formNewVersionMsg")->isVisible());
        editor.services.executable = QStringLiteral("/opt/tarvo/tarvo-max-editor");
        editor.services.temp = QStringLiteral("/tmp/u");
    }
    // The console has a "CheckBox1" of its own: the notice's controls are looked up in it.
    template <typename T = QWidget> T* control(const char* name) {
        return editor.find("formNewVersionMsg")->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) {
        Pointer::click(control<QAbstractButton>(name));
        editor.settle();
    }
    TestEditor editor;
};

TEST_F(Notice, ShowsItsTextsAndButtons) {
    QWidget* notice = editor.find("formNewVersionMsg");
    EXPECT_EQ(notice->windowTitle(), "New Version");
    EXPECT_EQ(notice->size(), QSize(282, 151));
    EXPECT_EQ(control<QLabel>("Label1")->text(), "A new version of the Tarvo Max Editor is available");
    EXPECT_EQ(control<QLabel>("Label2")->text(), "Your version: 1.0     New version: ");
    EXPECT_TRUE(control("Label2")->isHidden());
    EXPECT_EQ(control<QCheckBox>("CheckBox1")->text(), "Don't Show This Message Again");
    EXPECT_EQ(control("CheckBox1")->pos(), QPoint(46, 132));
    // Where they were designed, centred, and wide enough for their text in every look.
    struct Button {
        const char* name;
        QString text;
        QRect designed;
    };
    const Button buttons[] = {{"btnLaunchUpdate", "Update Now", {99, 56, 84, 30}},
                              {"btnSeeWhatsNew", "What's New?", {105, 97, 72, 25}}};
    for (int look : {0, 2, 6}) {
        editor.trigger(QStringLiteral("menuLook%1").arg(look));
        for (const Button& b : buttons) {
            auto* button = control<QPushButton>(b.name);
            EXPECT_EQ(button->text(), b.text);
            EXPECT_EQ(button->y(), b.designed.y()) << b.name;
            EXPECT_NEAR(button->geometry().center().x(), b.designed.center().x(), 1) << b.name << look;
            EXPECT_GE(button->width(), button->sizeHint().width()) << b.name << " in look " << look;
        }
        EXPECT_GE(control("CheckBox1")->width(), control("CheckBox1")->sizeHint().width()) << look;
    }
    for (const char* name : {"btnLaunchUpdate", "btnSeeWhatsNew", "CheckBox1"}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control(name));
        EXPECT_EQ(accessible->text(QAccessible::Name), control<QAbstractButton>(name)->text()) << name;
    }
}

TEST(StartUp, ABoxLeftOpenAtStartWhileANewerVersionIsAnnouncedWaitsForTheWindowsAndTheSettings) {
    // A start-up box (a style file that holds no number) is left open longer than the version
    // check's second while a newer version is on the web: the check comes once every window
    // exists and the box is answered, and it honours the notice setting.
    for (const QByteArray& notice : {QByteArray("YES"), QByteArray("NO")}) {
        QTemporaryDir documents;
        putBytes(documents.path() + "/Merrow/style.txt", "blue");
        putBytes(documents.path() + "/Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt", notice);
        ScriptedServices services;
        services.documents = documents.path();
        services.httpReply = kNewerOnTheWeb;
        services.onBox = [] { QTest::qWait(1500); };
        FakeFtDriver driver;
        EditorContext context(services, driver);
        EditorApp editor(context);
        editor.main().show();
        services.onBox = {};
        ASSERT_EQ(services.errors.size(), 1) << notice.toStdString();
        EXPECT_TRUE(services.requestedUrls.isEmpty()) << "no check while the box was open";
        QElapsedTimer waited;
        waited.start();
        while (services.requestedUrls.isEmpty() && waited.elapsed() < 5000)
            QTest::qWait(20);
        ASSERT_EQ(services.requestedUrls.size(), 1) << notice.toStdString();
        QTest::qWait(50);
        EXPECT_EQ(editor.windows().formNewVersionMsg->isVisible(), notice == "YES") << notice.toStdString();
        EXPECT_TRUE(editor.main().findChild<QAction*>("menuUpdateNow")->isEnabled());
    }
}

TEST_F(Notice, WhatsNewAndSupportOpenTheBrowser) {
    click("btnSeeWhatsNew");
    editor.trigger("menuSupport");
    EXPECT_EQ(editor.services.openedUrls,
              (QStringList{VersionCheck::webAddress("/download/updatetarvomax/whatsnew.html"),
                           VersionCheck::webAddress("/contact-us/")}));
}

TEST(NoticeSetting, DontShowAgainKeepsTheNoticeClosedFromTheNextStartOn) {
    QTemporaryDir documents;
    const QString notice = documents.path() + "/Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt";
    {
        TestEditor editor(WithDocuments{documents.path()});
        editor.services.httpReply = kNewerOnTheWeb;
        ASSERT_TRUE(checkHasRun(editor));
        clickDontShowAgain(editor);
        EXPECT_EQ(fileBytes(notice), "NO");
        clickDontShowAgain(editor);
        EXPECT_EQ(fileBytes(notice), "NO") << "unticking writes nothing";
    }
    TestEditor editor(WithDocuments{documents.path()});
    editor.services.httpReply = kNewerOnTheWeb;
    ASSERT_TRUE(checkHasRun(editor));
    EXPECT_FALSE(editor.find("formNewVersionMsg")->isVisible());
    EXPECT_TRUE(editor.enabled("menuUpdateNow"));
    EXPECT_EQ(editor.text("menuNewAppVersion"), "New version available: 1.1");
}

TEST_F(Notice, UpdateNowStartsTheUpdaterElevatedAndEndsTheEditor) {
    editor.services.answers = {false};
    click("btnLaunchUpdate");
    EXPECT_TRUE(editor.services.startedPrograms.isEmpty());
    EXPECT_TRUE(editor.find("formMain")->isVisible()) << "No leaves the editor running";

    click("btnLaunchUpdate");
    ASSERT_EQ(editor.services.questions.size(), 2);
    EXPECT_EQ(editor.services.questions.last(),
              "This action will update the Tarvo Max Editor to the latest version. Do you want to continue?");
    EXPECT_EQ(editor.services.startedPrograms,
              (QList<QStringList>{{"/opt/tarvo/TARVO_MAX_Win_Updater.exe",
                                   "/tmp/u/TARVO_MAX_Editor_Update.exe", "/opt/tarvo/tarvo-max-editor"}}));
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_FALSE(editor.find("formMain")->isVisible());
}

TEST_F(Notice, AnUpdaterThatDoesNotStartIsToldAndTheEditorEndsAnyway) {
    editor.services.elevatedStarts = false;
    click("btnLaunchUpdate");
    EXPECT_EQ(editor.services.messages,
              QStringList{"Failed to launch updater. Please run as administrator."});
    EXPECT_FALSE(editor.find("formMain")->isVisible());
}

} // namespace
