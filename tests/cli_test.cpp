// tarvo-max's commands run in-process against the virtual pedal (or scripted bridges), checking
// what they print, what they put on the wire and how they fail.

#include "ProductData.h"
#include "catalogue/ImpulseResponse.h"
#include "cli/Cli.h"
#include "console/FilterCoefficients.h"
#include "firmware/FirmwareImage.h"
#include "sim/VirtualDriver.h"
#include "support/FakeDeviceMonitor.h"
#include "support/FakeFtDriver.h"
#include "support/Files.h"
#include "support/RecordingDriver.h"
#include "support/ScriptedServices.h"
#include "support/WavFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kDigitalDelay = 0x0B;
constexpr int kShimmerReverb = 0x23;

// The program as the catalogue stores it, first byte 00.
QByteArray programHex(int effect) {
    return ProductData::effectProgram(effect).value_or(QByteArray()).toHex().toUpper();
}

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

struct Cli : ::testing::Test {
    ScriptedServices services;
    VirtualDriver pedalDriver{
        VirtualPedal::Options{.effectNumber = kDigitalDelay, .programFor = ProductData::effectProgram}};
    std::vector<QByteArray> wire;                            // every write, hex, across runs
    std::function<std::unique_ptr<FtDriver>()> bridges;      // when set, used instead of the pedal
    std::function<std::unique_ptr<DeviceMonitor>()> monitor; // the machine's plugging and pulling
    // Ctrl+C after this many looks: never, unless a test says when.
    int pollsUntilInterrupted = 1 << 30;

    Outcome run(QStringList args) {
        Outcome result;
        QTextStream out(&result.out);
        result.status = run(args, out, result.err);
        return result;
    }
    // The same with standard output on a device of the test's choosing (/dev/full, say).
    Outcome runWritingTo(QIODevice& device, QStringList args) {
        Outcome result;
        QTextStream out(&device);
        result.status = run(args, out, result.err);
        return result;
    }
    int run(const QStringList& args, QTextStream& out, QString& errors) {
        CliRuntime runtime{
            services,
            [this]() -> std::unique_ptr<FtDriver> {
                if (bridges)
                    return bridges();
                return std::make_unique<Recorder>(pedalDriver, wire);
            },
            [this] { return --pollsUntilInterrupted < 0; },
            [this]() -> std::unique_ptr<DeviceMonitor> { return monitor ? monitor() : nullptr; }};
        QTextStream err(&errors);
        return runCli(args, runtime, out, err);
    }
    VirtualPedal& pedal() { return pedalDriver.pedal(); }
    // Bytes straight to the pedal, as the editor or another program would have sent them.
    void tell(const QByteArray& hex) {
        pedal().setHostLine(pedal().pedalLine());
        const QByteArray bytes = QByteArray::fromHex(hex);
        pedal().receive(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }

    // Keeps the writes of every run in the fixture's list.
    struct Recorder : RecordingDriver {
        Recorder(FtDriver& inner, std::vector<QByteArray>& into) : RecordingDriver(inner), into(into) {}
        ~Recorder() override {
            for (const QByteArray& w : take())
                into.push_back(w);
        }
        std::vector<QByteArray>& into;
    };
};

// One line on stderr, naming the program, and nothing a script could take for a result.
void expectFailure(const Outcome& r, int status, const QString& start) {
    EXPECT_EQ(r.status, status) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("tarvo-max: ") + start)) << r.err.toStdString();
}

TEST_F(Cli, HelpVersionAndUsageErrors) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_TRUE(help.out.startsWith("Usage: tarvo-max"));
    for (const char* command :
         {"devices", "info", "state", "set", "watch", "upload", "assign", "reverse", "midi", "mode", "store",
          "erase-settings", "memory", "preset", "library", "backup", "restore"}) {
        const Outcome r = run({command, "--help"});
        EXPECT_EQ(r.status, kExitOk) << command;
        EXPECT_TRUE(r.out.contains("Example:\n  tarvo-max")) << command;
    }
    EXPECT_EQ(run({"--version"}).out, "tarvo-max 1.0.0.0\n");
    expectFailure(run({"frob"}), kExitUsage, "unknown command frob");
    expectFailure(run({"state", "--fast"}), kExitUsage, "unknown option --fast");
    expectFailure(run({"set", "Time"}), kExitUsage, "set takes PARAM and LEVEL");
    expectFailure(run({"upload"}), kExitUsage, "upload takes the effect's NAME");
    expectFailure(run({"memory", "dump"}), kExitUsage, "memory takes dump or erase, and 50 or 51");
    expectFailure(run({"state", "--yes"}), kExitUsage, "state takes no --yes");
    expectFailure(run({"set", "Time", "1", "--bank", "2"}), kExitUsage, "set takes no --bank");
    expectFailure(run({"upload", "Digital Delay", "--bank"}), kExitUsage, "--bank needs a value");
    EXPECT_EQ(run({}).status, kExitUsage);
    // The question the editor asks before erasing is in the help, since there is no box to show it.
    EXPECT_TRUE(run({"erase-settings", "--help"})
                    .out.contains("\n    - the pedal is unresponsive/freezed after updates\n"));
    EXPECT_TRUE(wire.empty()) << "nothing is sent for a command line that cannot be run";
}

TEST_F(Cli, DevicesInfoAndStateReadThePedal) {
    EXPECT_EQ(run({"devices"}).out, "TMVP0001\tvirtual\tTarvo Max Virtual Pedal\n");
    const Outcome info = run({"info"});
    EXPECT_EQ(info.status, kExitOk);
    EXPECT_EQ(info.out, "effect: 11 Digital Delay\neffect version: 1\nfirmware version: 1\n");
    EXPECT_EQ(wire, std::vector<QByteArray>{"0600"});

    wire.clear();
    ASSERT_EQ(run({"set", "time", "512"}).status, kExitOk);
    ASSERT_EQ(run({"set", "Trails", "on"}).status, kExitOk);
    ASSERT_EQ(run({"set", "Subdivision", "2"}).status, kExitOk);
    const Outcome state = run({"state"});
    EXPECT_EQ(state.status, kExitOk) << state.err.toStdString();
    EXPECT_TRUE(state.out.contains("\nTime: 512\n"));
    EXPECT_TRUE(state.out.contains("\nTrails: 1024 (ON)\n"));
    EXPECT_TRUE(state.out.contains("\nSubdivision: 408 (EIGHTH)\n")) << state.out.toStdString();
    EXPECT_TRUE(state.out.endsWith("MIDI channel: OMNI\n"));
    EXPECT_EQ(wire.back(), "0207");

    const QJsonObject json = QJsonDocument::fromJson(run({"state", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(json["effect"].toObject()["name"].toString(), "Digital Delay");
    EXPECT_EQ(json["midiChannel"].toString(), "OMNI");
    const QJsonArray parameters = json["parameters"].toArray();
    ASSERT_EQ(parameters.size(), 7);
    EXPECT_EQ(parameters[0].toObject()["level"].toInt(), 512);
    EXPECT_EQ(parameters[6].toObject()["text"].toString(), "EIGHTH");
}

TEST_F(Cli, DevicesFollowPrintsEachBridgeThatComesOrGoesUntilCtrlC) {
    FakeFtDriver* machine = nullptr;
    bridges = [&] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"DQ01", "FT230X Basic UART"}};
        machine = fake.get();
        return fake;
    };
    const Outcome listed = run({"devices", "--json"});
    EXPECT_EQ(listed.out,
              "[{\"description\":\"FT230X Basic UART\",\"route\":\"direct\",\"serial\":\"DQ01\"}]\n");

    monitor = [&] {
        auto news = std::make_unique<FakeDeviceMonitor>();
        news->announce(usbChange(DeviceChange::Kind::Arrived, "DQ02"), [&] {
            machine->bridges.push_back({"DQ02", "Tarvo Max"});
        });
        // Only a port moved (the direct driver took the bridge): no pedal came or went.
        news->announce(DeviceChange{DeviceChange::Kind::Departed, "tty", "/dev/ttyUSB0", "DQ02", {}});
        news->announce(usbChange(DeviceChange::Kind::Departed, "DQ01"),
                       [&] { machine->bridges.erase(machine->bridges.begin()); });
        return news;
    };
    pollsUntilInterrupted = 5;
    Outcome r = run({"devices", "--follow"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "arrived\tDQ02\tdirect\tTarvo Max\n"
                     "departed\tDQ01\tdirect\tFT230X Basic UART\n");
    pollsUntilInterrupted = 5;
    r = run({"devices", "--follow", "--json"});
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(lines.at(1).toUtf8()).object(),
              (QJsonObject{{"event", "departed"},
                           {"serial", "DQ01"},
                           {"route", "direct"},
                           {"description", "FT230X Basic UART"}}));

    // A monitor that breaks down ends the following with one line, rather than waking it for ever.
    monitor = [] {
        auto broken = std::make_unique<FakeDeviceMonitor>();
        broken->breakDown();
        return broken;
    };
    pollsUntilInterrupted = 1 << 30;
    expectFailure(run({"devices", "--follow"}), kExitFailed, "the device monitor failed");

    // A machine that cannot be followed says so, in its one line.
    monitor = {};
    expectFailure(run({"devices", "--follow"}), kExitFailed,
                  "bridges plugged in and pulled out cannot be followed");
}

TEST_F(Cli, SetSendsTheEditorsBytesAndRefusesWhatCannotBe) {
    struct Case {
        QStringList args;
        QByteArray sent;
        QString printed;
    };
    const Case cases[] = {
        {{"set", "Feedback", "700"}, "01034C00578000", "Feedback: 700\n"},
        {{"set", "0", "1023"},
         "01034000"
         "7FE000",
         "Time: 1023\n"},
        {{"set", "trails", "ON"}, "01037000800000", "Trails: 1024 (ON)\n"},
        {{"set", "Trails", "off"}, "01037000000000", "Trails: 0 (OFF)\n"},
        {{"set", "subdivision", "eighth"}, "01038800330000", "Subdivision: 408 (EIGHTH)\n"},
    };
    for (const Case& c : cases) {
        wire.clear();
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", c.sent})) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, c.printed);
    }
    for (const QStringList& refused :
         {QStringList{"set", "Time", "1024"}, QStringList{"set", "Time", "-1"},
          QStringList{"set", "Time", "loud"}, QStringList{"set", "Trails", "2"},
          QStringList{"set", "Subdivision", "5"}, QStringList{"set", "Volume", "1"}}) {
        wire.clear();
        const Outcome r = run(refused);
        expectFailure(r, kExitUsage, "");
        EXPECT_EQ(wire, std::vector<QByteArray>{"0600"}) << "nothing but the question was sent";
    }
    EXPECT_TRUE(run({"set", "Volume", "1"}).err.contains("its parameters are Time, Feedback"));
}

TEST_F(Cli, FailuresSayWhyInOneLine) {
    pedal().faults().silent = true;
    expectFailure(run({"info"}), kExitFailed, "No reply from the pedal within 5 seconds");
    pedal().faults().silent = false;

    bridges = [] { return std::make_unique<FakeFtDriver>(); };
    expectFailure(run({"state"}), kExitFailed, "no pedal found");
    expectFailure(run({"--serial", "NOPE", "info"}), kExitFailed, "no pedal found");

    bridges = [] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"FT1", "FT230X Basic UART"}};
        fake->queueReply("1\r\n4O\r\n2\r\n5\r\n");
        return fake;
    };
    expectFailure(run({"info"}), kExitFailed,
                  "the pedal's reply does not read: '4O' is not a valid integer value");
    bridges = [] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"FT1", "FT230X Basic UART"}};
        fake->failOn("open", FT_DEVICE_NOT_OPENED);
        fake->advice = "Join the group dialout.";
        return fake;
    };
    const Outcome r = run({"state"});
    expectFailure(r, kExitFailed,
                  "cannot open the pedal FT1: Open_USB_Device_By_Serial_Number - Device not opened");
    EXPECT_TRUE(r.err.contains("Join the group dialout."));
    bridges = [] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"FT1", "FT230X Basic UART"}};
        fake->queueReply("255\r\n255\r\n0\r\n3\r\n");
        return fake;
    };
    EXPECT_EQ(run({"info"}).out, "effect: none\nfirmware version: 3\n");
    expectFailure(run({"state"}), kExitFailed, "no effect is stored on the pedal");
}

TEST_F(Cli, WatchPrintsTheReportsAsTheyCome) {
    pollsUntilInterrupted = 50;
    // What the player does at the pedal while watch runs.
    services.onPause = [&](int) {
        if (pollsUntilInterrupted == 40) {
            pedal().sendLiveReport(VirtualPedal::KII, 1, 700);
            pedal().sendLiveReport(VirtualPedal::FS, 4, 1);
        }
        if (pollsUntilInterrupted == 30)
            pedal().reportEffect();
    };
    const Outcome r = run({"watch"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "live KII Feedback 700\nlive FS Trails on\neffect 11 Digital Delay\n");

    services.onPause = [&](int) {
        if (pollsUntilInterrupted == 40)
            pedalDriver.vanish();
    };
    pollsUntilInterrupted = 50;
    expectFailure(run({"watch"}), kExitFailed, "the pedal is gone");
}

TEST_F(Cli, StateShowsAssignmentsFootswitchesReadbacksAndMode) {
    ASSERT_EQ(run({"upload", "Digital Delay", "--bank", "3"}).status, kExitOk);
    // Time on KII and reversed, Trails on FS; bypass on FL, preset on RMT; the readback on RED.
    tell("04"
         "01FFFFFF08FFFF"
         "FFFFFFFFFFFFFFFFFF"
         "02FFFFFF"
         "090A");
    tell("080100");
    tell("0709");
    const Outcome r = run({"state"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("Subdivision: 0 (QUARTER)\n"
                               "assigned: Time KII (reversed), Trails FS\n"
                               "bypass toggle: FL\n"
                               "preset change: RMT\n"
                               "readback Tap Tempo: RED\n"
                               "mode: bank III\n"
                               "MIDI channel: 9\n"))
        << r.out.toStdString();

    const QJsonObject json = QJsonDocument::fromJson(run({"state", "--json"}).out.toUtf8()).object();
    const QJsonArray parameters = json["parameters"].toArray();
    EXPECT_EQ(parameters[0].toObject()["assignment"].toString(), "KII");
    EXPECT_TRUE(parameters[0].toObject()["reversed"].toBool());
    EXPECT_TRUE(parameters[1].toObject()["assignment"].isNull());
    EXPECT_FALSE(parameters[1].toObject()["reversed"].toBool());
    EXPECT_EQ(json["bypassToggle"].toString(), "FL");
    EXPECT_EQ(json["presetChange"].toString(), "RMT");
    EXPECT_EQ(json["readbacks"].toArray()[0].toObject()["name"].toString(), "Tap Tempo");
    EXPECT_EQ(json["readbacks"].toArray()[0].toObject()["indicator"].toString(), "RED");
    EXPECT_EQ(json["mode"].toString(), "bank");
    EXPECT_EQ(json["bank"].toInt(), 3);
    EXPECT_EQ(json["midiChannel"].toInt(), 9);
}

TEST_F(Cli, UploadSendsTheBypassItsPauseAndTheProgramInOneWrite) {
    struct Case {
        QStringList args;
        QByteArray program;
        QString printed;
        int bank;
    };
    const QByteArray delay = programHex(kDigitalDelay);
    const Case cases[] = {
        {{"upload", "digital DELAY"},
         delay,
         "Upload complete: Digital Delay (4992 bytes) in preset mode\n",
         -1},
        {{"upload", "Shimmer", "Reverb"},
         programHex(kShimmerReverb),
         "Upload complete: Shimmer Reverb (9472 bytes) in preset mode\n",
         -1},
        {{"upload", "Digital Delay", "--bank", "2"},
         "0F" + delay.mid(2),
         "Upload complete: Digital Delay (4992 bytes) into bank II\n",
         1},
    };
    for (const Case& c : cases) {
        wire.clear();
        services.pauses.clear();
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(r.out, c.printed);
        EXPECT_EQ(wire, (std::vector<QByteArray>{"0D01", c.program})) << c.args.join(' ').toStdString();
        ASSERT_FALSE(services.pauses.empty());
        EXPECT_EQ(services.pauses.front(), 40) << "the bypass is given its time before the program";
        EXPECT_EQ(pedal().program().toHex().toUpper(), c.program);
        EXPECT_TRUE(pedal().bypassed());
        EXPECT_EQ(pedal().bankMode(), c.bank >= 0);
        EXPECT_EQ(pedal().bankOrPreset(), std::max(c.bank, 0));
    }
}

TEST_F(Cli, UploadRefusesWhatItCannotSendAndSendsNothing) {
    const std::pair<QStringList, QString> refused[] = {
        {{"upload", "shimer reverb"},
         "the catalogue has no effect called \"shimer reverb\"; did you mean Shimmer Reverb?"},
        {{"upload", "reverb"},
         "the catalogue has no effect called \"reverb\"; did you mean Plate Reverb or Shimmer Reverb?"},
        {{"upload", "xyzzy"}, "the catalogue has no effect called \"xyzzy\""},
        {{"upload", "cabinet ir"}, "Cabinet IR plays an impulse response: give it one with --ir WAV"},
        {{"upload", "Digital Delay", "--ir", "x.wav"},
         "Digital Delay takes no impulse response; those that do: Cabinet IR, Dual IR Blend, IR + Room, "
         "Long Cabinet IR"},
        {{"upload", "Shimmer Reverb", "--bank", "1"},
         "This program is 9472 bytes long, more than a bank holds (5440 bytes); nothing was sent."},
        {{"upload", "Digital Delay", "--bank", "4"}, "--bank takes 1, 2 or 3 (bank I, II or III), not 4"},
    };
    for (const auto& [args, line] : refused) {
        const Outcome r = run(args);
        expectFailure(r, kExitUsage, line);
        EXPECT_EQ(r.err, "tarvo-max: " + line + "\n");
    }
    EXPECT_TRUE(wire.empty()) << "not even the bypass";
    EXPECT_EQ(pedal().effectNumber(), kDigitalDelay);
}

TEST_F(Cli, IrComposesTheEditorsProgramAndUploadsOrWritesIt) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("cab.wav");
    Wav cabinet;
    cabinet.data = samples24(2048);
    const QByteArray wavBytes = cabinet.bytes();
    putBytes(wav, wavBytes);
    const QString composed = composeImpulseResponse(wavBytes, wav, "Cabinet IR").programText;
    ASSERT_FALSE(composed.isEmpty());

    const QString out = dir.filePath("cab.txt");
    Outcome r = run({"ir", wav, "--effect", "cabinet ir", "-o", out});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(QString::fromLatin1(fileBytes(out)), composed);
    EXPECT_TRUE(wire.empty()) << "writing the program needs no pedal";

    for (const QStringList& args : {QStringList{"upload", "Cabinet IR", "--ir", wav},
                                    QStringList{"ir", wav, "--effect", "Cabinet IR"}}) {
        wire.clear();
        r = run(args);
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(wire, (std::vector<QByteArray>{"0D01", composed.toLatin1()}))
            << args.join(' ').toStdString();
        EXPECT_EQ(pedal().program().toHex().toUpper(), composed.toLatin1());
    }

    // A file that is no WAV file: the reason, no program file, nothing on the wire.
    wire.clear();
    const QString broken = dir.filePath("broken.wav");
    const QByteArray brokenBytes("RIFF\x04\0\0\0WAVE", 12);
    putBytes(broken, brokenBytes);
    const QString none = dir.filePath("none.txt");
    for (const QStringList& args : {QStringList{"ir", broken, "--effect", "Cabinet IR", "-o", none},
                                    QStringList{"upload", "Cabinet IR", "--ir", broken}}) {
        r = run(args);
        expectFailure(r, kExitFailed, QString());
        EXPECT_EQ(r.err.trimmed(),
                  "tarvo-max: " + composeImpulseResponse(brokenBytes, broken, "Cabinet IR").problem)
            << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_TRUE(wire.empty());
    expectFailure(run({"ir", wav, "--effect", "Digital Delay", "-o", none}), kExitUsage,
                  "Digital Delay takes no impulse response");
    expectFailure(run({"ir", wav}), kExitUsage, "ir needs the effect");
}

TEST_F(Cli, CoeffPrintsTheCalculatorsTableAndRefusesWhatGivesNone) {
    const Outcome r = run({"coeff", "a4", "0.707", "6"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    const QStringList table =
        coefficientTable("A4", 6, 0.707, *peakingFilter(noteFrequency(noteNames().indexOf("A4")), 0.707, 6));
    EXPECT_EQ(r.out, table.join('\n') + '\n');
    // A Q the window refuses is refused here too, a negative one as much as 0.
    for (const char* q : {"0", "-1", "-0.5"})
        expectFailure(run({"coeff", "A4", q, "6"}), kExitUsage,
                      QStringLiteral("Q must be greater than 0, not ") + q);
    expectFailure(run({"coeff", "A4", "wide", "6"}), kExitUsage, "Q and BOOST are numbers");
    expectFailure(run({"coeff", "H2", "1", "6"}), kExitUsage, "H2 is no note");
    expectFailure(run({"coeff", "A4", "1", "1e300"}), kExitUsage,
                  "a Q of 1 with a boost of 1e300 dB gives no filter");
}

TEST_F(Cli, CoeffWritesItsNumbersWithAPointAndNoGroupingInAnyLanguage) {
    const QLocale machine;
    for (const QLocale& language : {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English)}) {
        QLocale::setDefault(language);
        const Outcome r = run({"coeff", "A4", "1234.5", "-1500"});
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("A4_1500db_cut_Q1234.5 : array[0..19] of string =\n"))
            << language.name().toStdString() << ": " << r.out.toStdString();
    }
    QLocale::setDefault(machine);
}

// The pedal's flash holds the built-in firmware from its start.
bool holdsFirmware(VirtualPedal& pedal) {
    const QByteArray image = ProductData::raw("FIRMWARE_1").value_or(QByteArray());
    return !image.isEmpty() && pedal.bootloader().flashHolds(0x08000000, image);
}

TEST_F(Cli, FlashWritesTheBuiltInFirmwareEitherWayIntoTheBootloader) {
    const QString done = "Firmware_1: 41252 bytes written from 08000000, version 1; Firmware Upgrade "
                         "Complete, device will now "
                         "restart\n";
    Outcome r = run({"flash", "--yes"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, done);
    ASSERT_GE(wire.size(), 5u);
    EXPECT_EQ(std::vector<QByteArray>(wire.begin(), wire.begin() + 5),
              (std::vector<QByteArray>{"0D01", "0500010203040506", "7F", "43BC", "FF00"}));
    EXPECT_EQ(wire.back(), "08") << "Go's address ends the run";
    EXPECT_TRUE(holdsFirmware(pedal()));
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);

    // Already in the bootloader, even synchronised and left half-way through a block.
    for (const bool halfBlock : {false, true}) {
        pedal().powerCycle(true);
        if (halfBlock) {
            tell("7F");
            tell("31CE" + addressWithChecksum(0x08000000).toHex() + "FF" + QByteArray(60, 'A'));
            pedal().takeOutput();
        }
        wire.clear();
        r = run({"flash", "firmware_1", "--bootloader"});
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(r.out, done);
        EXPECT_EQ(wire.front(), "7F");
        EXPECT_TRUE(holdsFirmware(pedal())) << halfBlock;
        EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
    }
}

TEST_F(Cli, FlashStopsBeforeGoAtARefusalAndRefusesWhatCannotBe) {
    pedal().faults().nackBootloaderStep = 40;
    Outcome r = run({"flash", "--yes"});
    expectFailure(r, kExitFailed, "The firmware was not written: the bootloader refused");
    EXPECT_TRUE(r.err.contains("(tarvo-max flash --bootloader)"));
    EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("21")), 0) << "no Go";
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Bootloader);

    pedal().faults().nackBootloaderStep = 0;
    r = run({"flash", "--bootloader"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(holdsFirmware(pedal()));

    wire.clear();
    expectFailure(run({"flash"}), kExitUsage, "flash asks the pedal into its bootloader");
    expectFailure(run({"flash", "Firmware_7", "--yes"}), kExitUsage, "the editor holds no firmware called");
    EXPECT_TRUE(wire.empty());
    expectFailure(run({"flash", "--bootloader"}), kExitFailed, "no bootloader answered");
}

TEST_F(Cli, CtrlCStopsAFlashBetweenBlocksAndTheBootloaderTakesAnotherRun) {
    pollsUntilInterrupted = 30;
    Outcome r = run({"flash", "--yes"});
    expectFailure(r, kExitInterrupted, "The firmware was not written: it was cancelled after ");
    EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("21")), 0) << "no Go";
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Bootloader);

    pollsUntilInterrupted = 1 << 30;
    r = run({"flash", "--bootloader"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(holdsFirmware(pedal()));
}

TEST_F(Cli, FlashWritesARawImageWithTheVersionInItsName) {
    QTemporaryDir dir;
    const auto file = [&](const QString& name, const QByteArray& bytes) {
        putBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    };
    // The built-in image's vector table, so the pedal can start it. Its last block ends inside a
    // word, which the bootloader takes only filled up (with erased bytes).
    const QByteArray image = ProductData::raw("FIRMWARE_1").value_or(QByteArray()).left(1001);
    Outcome r = run({"flash", "--image", file("Mine_2.bin", image), "--yes"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Mine_2.bin: 1001 bytes written from")) << r.out.toStdString();
    EXPECT_TRUE(pedal().bootloader().flashHolds(0x08000000, image + "\xFF\xFF\xFF"));
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
    EXPECT_EQ(pedal().firmwareVersion(), 2);

    wire.clear();
    expectFailure(
        run({"flash", "--image", file("Big_3.bin", QByteArray(kMaxFirmwareImageBytes + 1, 'x')), "--yes"}),
        kExitFailed, "The firmware image Big_3.bin is 130049 bytes long");
    expectFailure(run({"flash", "--image", file("nightly.bin", image), "--yes"}), kExitFailed,
                  "The firmware nightly.bin does not say its version");
    expectFailure(run({"flash", "--image", dir.filePath("none_1.bin"), "--yes"}), kExitFailed, "cannot read");
    EXPECT_TRUE(wire.empty());
}

TEST_F(Cli, FlashVerifyReadsBackAndStopsBeforeGoWhereAWrittenByteDiffers) {
    // A byte of the last block, and the version record's own: the first address that differs is
    // named, and the pedal is not started.
    const QByteArray image = ProductData::raw("FIRMWARE_1").value_or(QByteArray());
    ASSERT_EQ(image.size(), 41252);
    const auto hex = [](int byte) {
        return QString::fromLatin1(QByteArray(1, char(byte)).toHex().toUpper());
    };
    struct Case {
        std::uint32_t address;
        QString said;
        long reads; // Read Memory commands up to the difference
    };
    const Case cases[] = {
        {0x0800A123,
         "the flash read back at 0800A123 holds " + hex(image.at(0xA123) ^ 1) + " where " +
             hex(image.at(0xA123)) + " was written",
         162},
        {0x0801FC07, "the flash read back at 0801FC07 holds 00 where 01 was written", 163},
    };
    for (const Case& c : cases) {
        pedal().powerCycle(true);
        pedal().faults().corruptWriteAt = c.address;
        wire.clear();
        const Outcome r = run({"flash", "--bootloader", "--verify"});
        expectFailure(r, kExitFailed, "The firmware was not written: " + c.said + ".");
        EXPECT_TRUE(r.err.contains("(tarvo-max flash --bootloader)"));
        EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("11EE")), c.reads);
        EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("21")), 0) << "no Go";
        EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Bootloader);
    }

    // Without the fault the same run reads everything back, the record too, and starts the pedal.
    pedal().faults().corruptWriteAt = 0;
    wire.clear();
    const Outcome r = run({"flash", "--bootloader", "--verify"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "Firmware_1: 41252 bytes written from 08000000 and read back the same, version 1; "
                     "Firmware Upgrade Complete, device will now restart\n");
    EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("11EE")), 163) << "162 blocks and the record";
    EXPECT_TRUE(holdsFirmware(pedal()));
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
}

TEST_F(Cli, FirmwareReadWritesTheFlashAsItIs) {
    pedal().powerCycle(true);
    auto& flash = pedal().bootloader().flash();
    for (std::size_t i = 0; i < flash.size(); ++i)
        flash[i] = std::uint8_t(i * 7 + (i >> 8));
    const QByteArray whole(reinterpret_cast<const char*>(flash.data()), qsizetype(flash.size()));
    QTemporaryDir dir;
    const QString path = dir.filePath("before.bin");

    Outcome r = run({"firmware", "read", "-o", path});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "flash 08000000: 131072 bytes written to " + path + "\n");
    EXPECT_EQ(fileBytes(path), whole);
    EXPECT_EQ(std::count(wire.begin(), wire.end(), QByteArray("11EE")), 512);
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Bootloader) << "left where it was";

    r = run({"firmware", "read", "--size", "1000", "-o", "-"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromLatin1(whole.left(1000)));

    // A refusal part-way leaves the file as it was; one not in its bootloader is told the way in.
    pedal().powerCycle(true);
    pedal().faults().nackBootloaderStep = 30;
    expectFailure(run({"firmware", "read", "-o", path, "--size", "0x4000"}), kExitFailed,
                  "the flash was not read: the bootloader refused");
    EXPECT_EQ(fileBytes(path), whole);
    pedal().faults().nackBootloaderStep = 0;
    pedal().powerCycle(false);
    const Outcome away = run({"firmware", "read", "-o", path});
    expectFailure(away, kExitFailed, "no bootloader answered");
    EXPECT_TRUE(away.err.contains("tarvo-max firmware read --yes")) << away.err.toStdString();
    EXPECT_EQ(fileBytes(path), whole);

    for (const QStringList& wrong : {QStringList{"firmware", "read"},
                                     {"firmware", "write", "-o", path},
                                     {"firmware", "read", "-o", path, "--size", "0"},
                                     {"firmware", "read", "-o", path, "--size", "131073"}})
        EXPECT_EQ(run(wrong).status, kExitUsage) << wrong.join(' ').toStdString();
}

TEST_F(Cli, BootloaderInfoSaysWhatGetAndGetIdAnswer) {
    pedal().powerCycle(true);
    Outcome r = run({"bootloader", "info"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "bootloader version: 2.2\n"
                     "commands: Get (00), Get Version (01), Get ID (02), Read Memory (11), Go (21), "
                     "Write Memory (31), Erase (43)\n"
                     "chip ID: 0410\n");
    EXPECT_EQ(std::vector<QByteArray>(wire.end() - 2, wire.end()), (std::vector<QByteArray>{"00FF", "02FD"}));
    r = run({"bootloader", "info", "--json"});
    EXPECT_EQ(r.out, "{\"chipId\":\"0410\",\"commands\":[\"00\",\"01\",\"02\",\"11\",\"21\",\"31\",\"43\"],"
                     "\"version\":\"2.2\"}\n");

    // Asked in from its effects with B2 held, as flash --yes does.
    pedal().powerCycle(false);
    wire.clear();
    r = run({"bootloader", "info", "--yes"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(std::vector<QByteArray>(wire.begin(), wire.begin() + 3),
              (std::vector<QByteArray>{"0D01", "0500010203040506", "7F"}));
}

TEST_F(Cli, UploadTakesTheAnswerAcrossReadsAndWaitsForItNoLonger) {
    std::vector<QByteArray> written;
    std::vector<QByteArray> replies;
    bridges = [&] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"FT1", "FT230X Basic UART"}};
        for (const QByteArray& reply : replies)
            fake->queueReply(reply);
        fake->onWrite = [&](const QByteArray& bytes) { written.push_back(bytes.left(3).toHex().toUpper()); };
        return fake;
    };
    // A knob turned while the program went out, then the answer in two pieces.
    replies = {QByteArray::fromHex("AA010102BC") + "Upload comp", "lete"};
    const Outcome r = run({"upload", "Digital Delay"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "Upload complete: Digital Delay (4992 bytes) in preset mode\n");
    EXPECT_EQ(written, (std::vector<QByteArray>{"0D01", "001380"}));

    for (const std::vector<QByteArray>& unanswered : {std::vector<QByteArray>{}, {"Upload compleat"}}) {
        replies = unanswered;
        expectFailure(run({"upload", "Digital Delay"}), kExitFailed,
                      "the pedal did not report the upload complete within 6 seconds");
    }

    bridges = nullptr;
    pedalDriver.vanishAfterWrittenBytes(1000);
    expectFailure(run({"upload", "Digital Delay"}), kExitFailed,
                  "the program did not reach the pedal: FT_Write");
}

TEST_F(Cli, AssignChangesOneAssignmentAndSendsTheRestAsThePedalHoldsThem) {
    // Time on KI and Subdivision on a code no selector shows; the readback on RED; bypass FS, preset FL.
    const QByteArray held = "04"
                            "00FFFFFFFFFFC8"
                            "FFFFFFFFFFFFFFFFFF"
                            "02FFFFFF"
                            "0809";
    // What AssignControls carries, in hex: the 7 parameters' codes (the other 9 are FF), the 4
    // readbacks', and the bypass and preset footswitches'.
    struct Case {
        QStringList args;
        QByteArray parameters;
        QByteArray readbacks;
        QByteArray footswitches;
        QString printed;
    };
    const Case cases[] = {
        {{"assign", "Feedback", "kii", "--yes"}, "0001FFFFFFFFFF", "02FFFFFF", "0809", "Feedback: KII\n"},
        {{"assign", "time", "none", "--yes"}, "FFFFFFFFFFFFFF", "02FFFFFF", "0809", "Time: no control\n"},
        {{"assign", "6", "EXP", "--yes"}, "00FFFFFFFFFF0B", "02FFFFFF", "0809", "Subdivision: EXP\n"},
        {{"assign", "bypass", "rmt", "--yes"}, "00FFFFFFFFFFFF", "02FFFFFF", "0A09", "bypass toggle: RMT\n"},
        {{"assign", "preset", "--", "--yes"}, "00FFFFFFFFFFFF", "02FFFFFF", "08FF", "preset change: none\n"},
        {{"assign", "readback", "tap tempo", "green", "--yes"},
         "00FFFFFFFFFFFF",
         "03FFFFFF",
         "0809",
         "readback Tap Tempo: GREEN\n"},
    };
    for (const Case& c : cases) {
        tell(held);
        wire.clear();
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(r.out, c.printed);
        const QByteArray sent = "04" + c.parameters + "FFFFFFFFFFFFFFFFFF" + c.readbacks + c.footswitches;
        EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207", sent})) << c.args.join(' ').toStdString();
        EXPECT_EQ(services.pauses.back(), 100);
    }
    EXPECT_EQ(pedal().readback(0), 3);
    EXPECT_EQ(pedal().assignment(6), 0xFF);
}

TEST_F(Cli, AssignUnreversesWhatLosesItsControlAndKeepsTheBankFootswitches) {
    const QByteArray none = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
    tell("0400" + none.mid(2));
    tell("080100");
    wire.clear();
    EXPECT_EQ(run({"assign", "Time", "none", "--yes"}).out, "Time: no control (no longer reversed)\n");
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207", "08FF00", "04" + none}));
    EXPECT_EQ(pedal().reverse(0), 0xFF);

    ASSERT_EQ(run({"upload", "Digital Delay", "--bank", "1"}).status, kExitOk);
    wire.clear();
    EXPECT_EQ(run({"assign", "Mix", "B1", "--yes"}).status, kExitOk);
    EXPECT_EQ(wire.back(), "04FFFF05" + none.mid(6, 34) + "0809") << "in bank mode bypass is FS, preset FL";
    expectFailure(run({"assign", "bypass", "RMT", "--yes"}), kExitUsage, "the pedal is in bank mode");
}

TEST_F(Cli, AssignRefusesBeforeItSendsAnAssignment) {
    const std::pair<QStringList, QString> refused[] = {
        {{"assign", "Feedback", "KII"},
         "assign replaces the pedal's assignments: add --yes to assign (the editor asks \"Assign "
         "parameters?\" first)"},
        {{"assign", "Feedback", "KVI", "--yes"},
         "KVI is no control of the pedal; a parameter takes KI, KII, KIII, KIV, KV, B1, B2, B3, FS, FL, RMT, "
         "EXP or none"},
        {{"assign", "Volume", "KI", "--yes"},
         "Digital Delay has no parameter Volume; its parameters are Time, Feedback, Mix, Hi-Cut, Trails, "
         "Tap, "
         "Subdivision"},
        {{"assign", "bypass", "KI", "--yes"}, "KI is no footswitch for bypass; it takes FS, FL, RMT or none"},
        {{"assign", "readback", "Beat", "RED", "--yes"},
         "Digital Delay has no readback Beat; its readbacks are Tap Tempo"},
        {{"assign", "readback", "0", "BLUE", "--yes"},
         "BLUE is no indicator of the pedal; a readback takes SX, DX, RED, GREEN or none"},
        {{"assign", "Time", "KI", "KII", "--yes"},
         "assign takes PARAM and CONTROL, or readback NAME and INDICATOR (see tarvo-max assign --help)"},
    };
    for (const auto& [args, line] : refused) {
        const Outcome r = run(args);
        expectFailure(r, kExitUsage, line);
        EXPECT_EQ(r.err, "tarvo-max: " + line + "\n");
    }
    EXPECT_TRUE(
        std::none_of(wire.begin(), wire.end(), [](const QByteArray& w) { return w.startsWith("04"); }));
    EXPECT_EQ(wire.size(), 12u) << "the stored effect and the state asked six times; never without --yes";
}

TEST_F(Cli, ReverseMidiStoreAndModeSendTheEditorsMessages) {
    tell("04FF01FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"); // Feedback on KII
    const QString modeFile = services.documents + "/Merrow/Tarvo Max/Mode.txt";
    struct Case {
        QStringList args;
        std::vector<QByteArray> sent;
        QString printed;
    };
    const Case cases[] = {
        {{"reverse", "feedback", "ON"}, {"0600", "0207", "080101"}, "Feedback: reversed\n"},
        {{"reverse", "Feedback", "off"}, {"0600", "0207", "08FF01"}, "Feedback: not reversed\n"},
        {{"midi", "omni"}, {"0600", "0700"}, "MIDI channel: OMNI\n"},
        {{"midi", "10"}, {"0600", "070A"}, "MIDI channel: 10\n"},
        {{"midi", "16"}, {"0600", "0710"}, "MIDI channel: 16\n"},
        {{"store"}, {"0600", "0307"}, "settings stored on the pedal: Digital Delay, 7 parameters\n"},
        {{"mode", "Bank"}, {}, "mode: bank (in " + modeFile + ")\n"},
    };
    for (const Case& c : cases) {
        wire.clear();
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
        EXPECT_EQ(r.out, c.printed);
        EXPECT_EQ(wire, c.sent) << c.args.join(' ').toStdString();
    }
    EXPECT_EQ(services.pauses.back(), 100) << "the store is given its time";
    // What was stored comes back when the pedal starts again.
    pedal().powerCycle(false);
    EXPECT_EQ(pedal().midiChannel(), 16);
    EXPECT_EQ(pedal().assignment(1), 1);
    QFile file(modeFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "BANK");
}

TEST_F(Cli, ReverseMidiAndModeRefuseWhatCannotBe) {
    const std::pair<QStringList, QString> refused[] = {
        {{"reverse", "Time", "on"},
         "Time has no control assigned to reverse (tarvo-max assign gives it one)"},
        {{"reverse", "Time", "up"}, "reverse takes on or off, not up"},
        {{"midi", "17"}, "17 is no MIDI channel: give OMNI or 1 to 16"},
        {{"mode", "jazz"}, "mode takes preset or bank, not jazz"},
    };
    for (const auto& [args, line] : refused) {
        const Outcome r = run(args);
        expectFailure(r, kExitUsage, line);
        EXPECT_EQ(r.err, "tarvo-max: " + line + "\n");
    }
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207"})) << "only the reverse of Time needed the pedal";
    EXPECT_EQ(pedal().reverse(0), 0xFF);
}

TEST_F(Cli, MemoryDumpPrintsOrWritesAllOfTheMemory) {
    pedal().memory(0x50)[0x3FF1] = 0x12;
    const Outcome r = run({"memory", "dump", "50"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1024);
    EXPECT_EQ(lines.first(), "0000: 01 0B 01 00 00 FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(lines.last(), "3FF0: FF 12 FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(wire, std::vector<QByteArray>{"0C5000000000"});
    EXPECT_EQ(services.pauses.front(), 4000);

    QTemporaryDir dir;
    const QString path = dir.path() + "/memory51.bin";
    pedal().memory(0x51)[7] = 0x42;
    const Outcome written = run({"memory", "dump", "0x51", "-o", path});
    EXPECT_EQ(written.out, "memory 51: 16384 bytes written to " + path + "\n");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto& memory = pedal().memory(0x51);
    EXPECT_EQ(file.readAll(),
              QByteArray(reinterpret_cast<const char*>(memory.data()), qsizetype(memory.size())));
}

TEST_F(Cli, AFailedDumpLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/memory.bin";
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    pedal().faults().silent = true;
    expectFailure(run({"memory", "dump", "50", "-o", path}), kExitFailed,
                  "no memory dump came from the pedal");
    pedal().faults().silent = false;
    pedal().faults().cutRepliesAfter = 1000;
    expectFailure(run({"memory", "dump", "50", "-o", path}), kExitFailed,
                  "the memory dump stopped short: 1000 of 16385 bytes came");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"memory.bin"});

    wire.clear();
    expectFailure(run({"memory", "dump", "50", "-o", dir.path() + "/missing/memory.bin"}), kExitFailed,
                  "cannot write " + dir.path() + "/missing/memory.bin");
    EXPECT_TRUE(wire.empty()) << "a file that cannot be written costs the pedal nothing";
}

TEST_F(Cli, EraseSettingsAndMemoryEraseSayWhatEachMemoryHolds) {
    expectFailure(
        run({"erase-settings"}), kExitUsage,
        "erase-settings deletes the effect, presets and assignments stored on the pedal: add --yes");
    expectFailure(run({"memory", "erase", "50"}), kExitUsage,
                  "memory erase deletes what memory 50 holds: add --yes to erase");
    EXPECT_TRUE(wire.empty());

    const Outcome one = run({"memory", "erase", "51", "--yes"});
    EXPECT_EQ(one.out, "memory 51: erased\n") << one.err.toStdString();
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0B51000000", "0C5100000000"}));

    wire.clear();
    services.pauses.clear();
    const Outcome both = run({"erase-settings", "--yes"});
    EXPECT_EQ(both.status, kExitOk) << both.err.toStdString();
    EXPECT_EQ(both.out, "memory 50: erased\nmemory 51: erased\n");
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0B50000000", "0C5000000000", "0B51000000", "0C5100000000"}));
    EXPECT_EQ(std::vector<int>(services.pauses.begin(), services.pauses.begin() + 4),
              (std::vector<int>{100, 4000, 100, 4000}));
    EXPECT_EQ(run({"info"}).out, "effect: none\nfirmware version: 1\n");

    // A memory that does not come back blank was not erased, whatever was sent.
    pedal().faults().garbleEvery = 1000;
    expectFailure(run({"memory", "erase", "50", "--yes"}), kExitFailed, "memory 50 was not erased: ");
}

TEST_F(Cli, PresetSaveWritesTheEditorsFile) {
    for (const QStringList& set :
         {QStringList{"set", "Time", "512"}, QStringList{"set", "Feedback", "700"},
          QStringList{"set", "Trails", "on"}, QStringList{"set", "Subdivision", "EIGHTH"}})
        ASSERT_EQ(run(set).status, kExitOk);
    tell("04"
         "01FFFFFF08FFFF"
         "FFFFFFFFFFFFFFFFFF"
         "03FFFFFF"
         "FFFF"); // Time on KII, Trails on FS, the readback on GREEN
    QTemporaryDir dir;
    wire.clear();
    const Outcome r = run({"preset", "save", dir.path() + "/lead"});
    EXPECT_EQ(r.out, "preset of Digital Delay saved to " + dir.path() + "/lead.txt\n") << r.err.toStdString();
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207"}));
    QFile file(dir.path() + "/lead.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "\xEF\xBB\xBF"
                              "000B\r01\r07\r"
                              "00000200\r000002BC\r00000000\r00000000\r00000400\r00000000\r00000198\r"
                              "01\rFF\rFF\rFF\r08\rFF\rFF\r"
                              "03\r");
    // The editor keeps a name's own extension only when it is exactly ".txt".
    for (const char* name : {"/lead.TXT", "/solo.txt"})
        ASSERT_EQ(run({"preset", "save", dir.path() + name}).status, kExitOk);
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList{"lead.TXT.txt", "lead.txt", "solo.txt"}));
    wire.clear();
    expectFailure(run({"preset", "save", dir.path() + "/missing/lead"}), kExitFailed,
                  "cannot write " + dir.path() + "/missing/lead.txt: ");
    EXPECT_TRUE(wire.empty()) << "a file that cannot be written costs the pedal nothing";
}

TEST_F(Cli, PresetLoadSendsThePotsAndSelectorsThatDiffer) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/p.txt";
    const auto write = [&](const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    // Time 300, Trails on and Subdivision SIXTEENTH, the rest as the pedal holds it; LF line ends.
    ASSERT_TRUE(write("000B\n01\n07\n0000012C\n00000000\n00000000\n00000000\n00000400\n00000000\n00000330\n"
                      "FF\nFF\nFF\nFF\nFF\nFF\nFF\nFF\n"));
    const Outcome r = run({"preset", "load", path});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    const QString switchNote =
        "not sent Trails: ON (was OFF; a switch is sent only when switched: tarvo-max set)\n";
    EXPECT_EQ(r.out, "sent Time: 300 (was 0)\n" + switchNote + "sent Subdivision: SIXTEENTH (was QUARTER)\n");
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207", "01034000258000", "01038800660000"}));
    EXPECT_EQ(pedal().value(0), 300 * 8192);
    EXPECT_EQ(pedal().value(4), 0);
    EXPECT_EQ(pedal().value(6), 816 * 8192);

    wire.clear();
    EXPECT_EQ(run({"preset", "load", path}).out,
              "nothing sent: the pedal holds the preset's levels already\n" + switchNote);
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207"}));
}

TEST_F(Cli, PresetLoadSendsNothingOfAFileThatDoesNotFit) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/p.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0001\r01\r04\r00000000\r00000000\r00000000\r00000000\rFF\rFF\rFF\rFF\rFF\r");
    file.close();
    const Outcome r = run({"preset", "load", path});
    expectFailure(r, kExitUsage,
                  "cannot load the preset " + path + ": This preset was saved for effect number 1");
    EXPECT_EQ(wire, std::vector<QByteArray>{"0600"}) << "only the question of which effect runs";

    wire.clear();
    expectFailure(run({"preset", "load", dir.path() + "/none.txt"}), kExitFailed,
                  "cannot load the preset " + dir.path() + "/none.txt: ");
    EXPECT_TRUE(wire.empty());
}

// ---- Files and standard output ----

bool isFifo(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool isCharacterDevice(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode);
}

// Reads a FIFO to its end on a thread of its own, as the program at its other end would.
struct FifoReader {
    explicit FifoReader(const QString& path) : path(path) {
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
        thread = std::thread([this] {
            const int fd = ::open(QFile::encodeName(this->path).constData(), O_RDONLY);
            char buffer[4096];
            for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                read.append(buffer, n);
            ::close(fd);
        });
    }
    QByteArray take() {
        // A command that never opened its end must not leave the reader waiting for ever.
        if (const int unblock = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            unblock >= 0)
            ::close(unblock);
        thread.join();
        return read;
    }
    QString path;
    QByteArray read;
    std::thread thread;
};

QByteArray memoryBytes(VirtualPedal& pedal, std::uint8_t address) {
    const auto& memory = pedal.memory(address);
    return QByteArray(reinterpret_cast<const char*>(memory.data()), qsizetype(memory.size()));
}

TEST_F(Cli, DashIsStandardOutputAndTheBytesAreAllThatGoesThere) {
    pedal().memory(0x50)[3] = 0x77;
    Outcome r = run({"memory", "dump", "50", "-o", "-"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out.toLatin1(), memoryBytes(pedal(), 0x50));

    r = run({"preset", "save", "-"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.toLatin1().startsWith("\xEF\xBB\xBF"
                                            "000B\r01\r07\r"))
        << r.out.toStdString();
    EXPECT_FALSE(QFile::exists("-.txt"));

    QTemporaryDir dir;
    const QString wav = dir.filePath("cab.wav");
    Wav cabinet;
    cabinet.data = samples24(2048);
    putBytes(wav, cabinet.bytes());
    r = run({"ir", wav, "--effect", "Cabinet IR", "-o", "-"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, composeImpulseResponse(cabinet.bytes(), wav, "Cabinet IR").programText);
}

TEST_F(Cli, AFifoIsWrittenAndStaysAFifo) {
    QTemporaryDir dir;
    FifoReader dump(dir.filePath("dump"));
    Outcome r = run({"memory", "dump", "51", "-o", dump.path});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(dump.take(), memoryBytes(pedal(), 0x51));
    EXPECT_TRUE(isFifo(dump.path));

    // Not a name to give ".txt": the FIFO itself is written.
    FifoReader preset(dir.filePath("preset"));
    r = run({"preset", "save", preset.path});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "preset of Digital Delay saved to " + preset.path + "\n");
    EXPECT_TRUE(preset.take().startsWith("\xEF\xBB\xBF"
                                         "000B\r"));
    EXPECT_TRUE(isFifo(preset.path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System), (QStringList{"dump", "preset"}));
}

TEST_F(Cli, AFullDeviceIsAFailureAndStaysADevice) {
    QTemporaryDir dir;
    // A node of the test's own, as /dev/full is (making one needs root); the machine's own is
    // never named, so a regression could not replace it.
    const QString full = dir.filePath("full");
    if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "making a device node needs root";
    const QString wav = dir.filePath("cab.wav");
    Wav cabinet;
    cabinet.data = samples24(2048);
    putBytes(wav, cabinet.bytes());
    for (const QStringList& args :
         {QStringList{"memory", "dump", "50", "-o", full}, QStringList{"preset", "save", full},
          QStringList{"ir", wav, "--effect", "Cabinet IR", "-o", full}}) {
        expectFailure(run(args), kExitFailed, "cannot write " + full + ": No space left on device");
        EXPECT_TRUE(isCharacterDevice(full)) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(full + ".txt"));
}

TEST_F(Cli, AWriteThatFailsKeepsTheOldFileAndIsAFailure) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("cab.wav");
    Wav cabinet;
    cabinet.data = samples24(2048);
    putBytes(wav, cabinet.bytes());
    const QString program = dir.filePath("cab.txt");
    const QString dump = dir.filePath("dump.bin");
    const QString preset = dir.filePath("lead.txt");
    for (const QString& path : {program, dump, preset})
        putBytes(path, "old");
    {
        // A disk with room for a few bytes more of any file.
        const FileSizeLimit nearlyFull(64);
        for (const QStringList& args :
             {QStringList{"ir", wav, "--effect", "Cabinet IR", "-o", program},
              QStringList{"memory", "dump", "50", "-o", dump}, QStringList{"preset", "save", preset}})
            expectFailure(run(args), kExitFailed, "cannot write " + args.last() + ": ");
    }
    for (const QString& path : {program, dump, preset})
        EXPECT_EQ(fileBytes(path), "old") << path.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4) << "no leftover";
}

TEST_F(Cli, AResultThatCannotReachStandardOutputIsAFailure) {
    // /dev/full opened as any program's standard output is: written to, never replaced.
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (const QStringList& args :
         {QStringList{"info"}, QStringList{"state", "--json"}, QStringList{"memory", "dump", "50"},
          QStringList{"memory", "dump", "50", "-o", "-"}, QStringList{"coeff", "A4", "0.707", "6"},
          QStringList{"--version"}}) {
        const Outcome r = runWritingTo(full, args);
        EXPECT_EQ(r.status, kExitFailed) << args.join(' ').toStdString();
        EXPECT_EQ(r.err, "tarvo-max: cannot write to standard output: No space left on device\n")
            << args.join(' ').toStdString();
    }
}

// ---- What a preset the command line saved is ----

TEST_F(Cli, AnyPresetASaveWroteLoadsBack) {
    // Levels a knob on the pedal can leave: Time below 0, Subdivision between its items' levels.
    tell("010340FFFF6000");
    tell("010388003E8000");
    QTemporaryDir dir;
    ASSERT_EQ(run({"preset", "save", dir.filePath("knobs")}).status, kExitOk);
    EXPECT_TRUE(fileBytes(dir.filePath("knobs.txt")).contains("\rFFFFFFFB\r"));
    wire.clear();
    const Outcome r = run({"preset", "load", dir.filePath("knobs.txt")});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "nothing sent: the pedal holds the preset's levels already\n");
    EXPECT_EQ(wire, (std::vector<QByteArray>{"0600", "0207"}));
}

// ---- Messages ----

TEST_F(Cli, EveryFailureIsOneLineWithItsNumbersTrue) {
    // A reply whose number holds a line end of its own.
    bridges = [] {
        auto fake = std::make_unique<FakeFtDriver>();
        fake->bridges = {{"FT1", "FT230X Basic UART"}};
        fake->queueReply("1\r\n1\n1\r\n2\r\n5\r\n");
        return fake;
    };
    expectFailure(run({"info"}), kExitFailed,
                  "the pedal's reply does not read: '1\\n1' is not a valid integer");

    // Every byte arrives, none of them as a dump: the numbers say so rather than "stopped short".
    bridges = nullptr;
    pedal().faults().garbleEvery = 1;
    const Outcome r = run({"erase-settings", "--yes"});
    expectFailure(r, kExitFailed,
                  "32770 bytes came from the pedal, as many as asked for, but only 0 of the 2 memory dumps "
                  "read as one");
    EXPECT_FALSE(r.err.contains("stopped short"));
}

// ---- The command line's manners ----

TEST_F(Cli, OptionsTakeTheirValueAfterAnEqualsSignToo) {
    Outcome r = run({"upload", "Digital Delay", "--bank=2"});
    EXPECT_EQ(r.out, "Upload complete: Digital Delay (4992 bytes) into bank II\n") << r.err.toStdString();
    r = run({"--serial=TMVP0001", "info"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    QTemporaryDir dir;
    const QString wav = dir.filePath("cab.wav");
    Wav cabinet;
    cabinet.data = samples24(2048);
    putBytes(wav, cabinet.bytes());
    r = run({"ir", wav, "--effect=cabinet ir", "--output=" + dir.filePath("cab.txt")});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("cab.txt")));
    // The editor asks before it uploads, so upload takes the answer as the others do.
    r = run({"upload", "Digital Delay", "--yes"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
}

TEST_F(Cli, AWrongOptionPointsToTheCommandsOwnHelp) {
    const std::pair<QStringList, QString> refused[] = {
        {{"state", "--fast"}, "unknown option --fast (see tarvo-max state --help)"},
        {{"--fast", "state"}, "unknown option --fast (see tarvo-max state --help)"},
        {{"--fast"}, "unknown option --fast (see tarvo-max --help)"},
        {{"state", "--json=yes"}, "--json takes no value (see tarvo-max state --help)"},
        {{"upload", "Digital Delay", "--bank"}, "--bank needs a value (see tarvo-max upload --help)"},
        {{"state", "--bank=2"}, "state takes no --bank (see tarvo-max state --help)"},
    };
    for (const auto& [args, line] : refused) {
        const Outcome r = run(args);
        expectFailure(r, kExitUsage, line);
        EXPECT_EQ(r.err, "tarvo-max: " + line + "\n");
    }
    EXPECT_TRUE(wire.empty());
}

// The virtual pedal of --virtual, kept in a state folder of the test's own.
struct VirtualPedalKept : Cli {
    void SetUp() override {
        qputenv("XDG_STATE_HOME", stateHome.path().toUtf8());
        // No machine bridges: the command line's own virtual pedal is the only one.
        bridges = [] { return std::make_unique<FakeFtDriver>(); };
    }
    void TearDown() override { qunsetenv("XDG_STATE_HOME"); }
    QString stateFile() const { return stateHome.path() + "/tarvo-max/virtual-pedal"; }
    QTemporaryDir stateHome;
};

TEST_F(VirtualPedalKept, WhatOneRunDoesTheNextFinds) {
    ASSERT_EQ(run({"--virtual", "upload", "Digital Delay"}).status, kExitOk);
    Outcome r = run({"--virtual", "set", "Feedback", "700"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "Feedback: 700\n");
    EXPECT_TRUE(run({"--virtual", "state"}).out.contains("\nFeedback: 700\n"));
    EXPECT_TRUE(QFile::exists(stateFile()));

    r = run({"--virtual-reset"});
    EXPECT_EQ(r.status, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "the virtual pedal's memory is forgotten; the next --virtual starts afresh\n");
    EXPECT_FALSE(QFile::exists(stateFile()));
    EXPECT_FALSE(run({"--virtual", "info"}).out.contains("Digital Delay"));

    ASSERT_EQ(run({"--virtual", "upload", "Digital Delay"}).status, kExitOk);
    r = run({"--virtual-reset", "info"});
    EXPECT_FALSE(r.out.contains("Digital Delay")) << "reset, then run afresh: " << r.out.toStdString();
}

TEST_F(VirtualPedalKept, AStateThatDoesNotReadIsSaidAndKept) {
    putBytes(stateFile(), "not a pedal");
    expectFailure(run({"--virtual", "info"}), kExitFailed,
                  "the virtual pedal's memory in " + stateFile() +
                      " does not read as one (tarvo-max --virtual-reset starts it afresh)");
    EXPECT_EQ(fileBytes(stateFile()), "not a pedal");
}

} // namespace
