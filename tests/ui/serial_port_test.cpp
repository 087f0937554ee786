// The editor through a pseudo-terminal named by TARVO_MAX_SERIAL_PORT, with the virtual pedal
// program at the other end: the same flows as through a bridge, on a real line with real time.

#include "TestEditor.h"
#include "virtual_pedal_process.h"

#include <QCheckBox>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct SerialPort : ::testing::Test {
    QTemporaryDir dir;
    std::string record = (dir.path() + QStringLiteral("/received")).toStdString();
    std::unique_ptr<ServedPedal> pedal;
    std::unique_ptr<TestEditor> editor;

    void start(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--effect", "11", "--record", record});
        pedal = std::make_unique<ServedPedal>(args);
        ASSERT_TRUE(pedal->serving()) << pedal->pty;
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal->pty));
        editor = std::make_unique<TestEditor>(WithSystemBridges{});
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        // The pedal is another program on a real line: the editor's pauses take real time.
        editor->services.onPause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    }
    QByteArray received() {
        QFile file(QString::fromStdString(record));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toHex().toUpper() : QByteArray("<none>");
    }
    // Lets the editor's event loop run until `done`, for a few seconds at most.
    bool waitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            editor->settle();
            std::this_thread::sleep_for(2ms);
        }
        return done();
    }
    QSlider* pot(int i) { return editor->find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
};

TEST_F(SerialPort, LinkRequestAndLiveEditsWorkAsThroughABridge) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(editor->text("lblDeviceName"), QString::fromStdString("Tarvo Max on " + pedal->pty));
    editor->trigger("menuConnect");
    ASSERT_TRUE(editor->find("formFXParameters")->isVisible());
    EXPECT_EQ(editor->find("formFXParameters")->windowTitle(), "Digital Delay v1");
    EXPECT_TRUE(editor->logLines().contains(QString::fromStdString("serial number: " + pedal->pty)));

    editor->click("btnRequest");
    ASSERT_TRUE(pot(0)->isEnabled());
    pot(0)->setValue(512);

    // A knob turned on the pedal.
    ASSERT_TRUE(pedal->tell("report 1 1 700\n"));
    EXPECT_TRUE(waitFor([&] { return pot(1)->value() == 700; }));

    editor->trigger("menuDisconnect");
    EXPECT_TRUE(editor->enabled("menuConnect"));
    editor->trigger("menuConnect");
    EXPECT_TRUE(editor->find("formFXParameters")->isVisible());
    EXPECT_TRUE(editor->services.messages.isEmpty()) << editor->services.messages.join('|').toStdString();
    EXPECT_EQ(received(), "0600"
                          "0207"
                          "01034000400000"
                          "0600");
}

TEST_F(SerialPort, ThePedalProgramEndingIsAPulledPlugAndNothingHangs) {
    ASSERT_NO_FATAL_FAILURE(start());
    editor->trigger("menuConnect");
    ASSERT_TRUE(editor->find("formFXParameters")->isVisible());
    pedal->quit();
    editor->services.messages.clear();
    editor->click("btnRequest");
    ASSERT_FALSE(editor->services.messages.isEmpty());
    EXPECT_TRUE(editor->services.messages.first().endsWith(" - Device not found..."))
        << editor->services.messages.first().toStdString();
    editor->trigger("menuDisconnect");
    EXPECT_TRUE(editor->enabled("menuConnect"));
}

TEST_F(SerialPort, TheBootloaderHandshakeRunsAtEvenParity) {
    ASSERT_NO_FATAL_FAILURE(start({"--bootloader"}));
    editor->find<QCheckBox>("chkFirmwareUpgradeMode")->setChecked(true);
    editor->trigger("menuConnect");
    EXPECT_EQ(editor->services.messages,
              QStringList{"Connection to bootloader succeeded, ready for firmware upgrade"});
    EXPECT_EQ(received(), "7F");
}

} // namespace
