#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "catalogue/Upload.h"
#include "protocol/EditorContext.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(UploadProgram, TakesTheStoredProgramWithTheModesFirstByte) {
    const QString stored = QString::fromLatin1(ProductData::raw("PROXIMA_BOOST")->trimmed());
    EXPECT_EQ(uploadProgram("Proxima Boost", false, {}, false, -1).text, stored);
    for (int bank = 0; bank < 3; ++bank) {
        const UploadProgram p = uploadProgram("Proxima Boost", false, {}, true, bank);
        ASSERT_TRUE(p.problem.isEmpty());
        EXPECT_EQ(p.text.left(2), QString("0E0F10").mid(2 * bank, 2));
        EXPECT_EQ(p.text.mid(2), stored.mid(2));
    }
    // In the Impulse Response category the composed program goes, whichever effect is selected.
    EXPECT_EQ(uploadProgram("Cabinet IR", true, "000080AB", false, -1).text, "000080AB");
}

TEST(UploadProgram, RefusesWhatIsNotSoundToSend) {
    struct Case {
        const char* name;
        bool ir;
        QString irText;
        bool bankMode;
        int bank;
        const char* problem;
    };
    const Case cases[] = {
        {"", false, {}, false, -1, "Choose the effect to upload first."},
        {"No Such Effect",
         false,
         {},
         false,
         -1,
         "The program of No Such Effect is not in this editor's data"},
        {"Cabinet IR", true, {}, false, -1, "Load an impulse response first"},
        {"Cabinet IR", true, "00008", false, -1, "The program to upload is damaged"},
        {"Cabinet IR", true, "0000ZZ", false, -1, "The program to upload is damaged"},
        {"Proxima Boost", false, {}, true, -1, "Choose the bank to upload into first"},
        {"Shimmer Reverb", false, {}, true, 0, "This program is 9472 bytes long, more than a bank holds"},
    };
    for (const Case& c : cases) {
        const UploadProgram p = uploadProgram(c.name, c.ir, c.irText, c.bankMode, c.bank);
        EXPECT_TRUE(p.text.isEmpty()) << c.name;
        EXPECT_TRUE(p.problem.startsWith(QString::fromLatin1(c.problem))) << p.problem.toStdString();
    }
}

TEST(UploadFile, SendsTheFileAsItIsAndWaitsForTheAnswerBounded) {
    ScriptedServices services;
    FakeFtDriver driver;
    driver.bridges = {{"A1", "Pedal"}};
    EditorContext ctx(services, driver);
    RecordingConsoleView view;
    ctx.console.attach(&view);
    ctx.link.Open_USB_Device_By_Serial_Number("A1");
    QTemporaryDir dir;
    const QString path = dir.path() + "/raw.hex";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0D01AB");
    file.close();

    driver.onWrite = [&](const QByteArray&) { driver.queueReply("ok"); };
    ASSERT_TRUE(uploadFile(ctx.line, path).read);
    EXPECT_EQ(driver.writes.back(), QByteArray::fromHex("0D01AB"));
    EXPECT_TRUE(view.lines.contains("received: ok"));
    EXPECT_TRUE(view.lines.contains("num of bytes: 3"));

    // A pedal that says nothing: the wait ends, with the time-out's message.
    driver.onWrite = {};
    services.messages.clear();
    ASSERT_TRUE(uploadFile(ctx.line, path).read);
    EXPECT_EQ(services.messages.size(), 1);
    const FileUpload missing = uploadFile(ctx.line, dir.path() + "/missing.hex");
    EXPECT_FALSE(missing.read);
    EXPECT_FALSE(missing.error.isEmpty());
}

} // namespace
