// The catalogue's own windows, driven from the main window: the impulse-response loader behind
// File, Load IR, and the effect information page.

#include "TestEditor.h"

#include "ProductData.h"
#include "catalogue/ImpulseResponse.h"
#include "catalogue/ui/TformFXInfo.h"
#include "params/ui/TformFXParameters.h"
#include "support/WavFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

struct CatalogueWindows : ::testing::Test {
    TestEditor editor{WithVirtualPedal{0x0B}};
    QTemporaryDir dir;

    void SetUp() override { editor.trigger("menuConnect"); }
    void choose(const char* category, const char* effect) {
        editor.clickRow("lstCategory", category);
        editor.clickRow("lstEffects", effect);
    }
    QString wavFile(const char* name, const Wav& wav) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(wav.bytes()) < 0)
            throw std::runtime_error("cannot write " + path.toStdString());
        return path;
    }
    void loadIr(const QString& path) {
        editor.services.openFiles = {path};
        editor.services.messages.clear();
        editor.trigger("menuLoadIR");
    }
};

TEST_F(CatalogueWindows, LoadIrSendsNothingAndTheNextUploadSendsTheComposedProgram) {
    EXPECT_FALSE(editor.enabled("menuLoadIR"));
    choose("Impulse Response", "Cabinet IR");
    ASSERT_TRUE(editor.enabled("menuLoadIR"));
    Wav wav;
    wav.data = samples24(1000);
    const QString path = wavFile("cab.wav", wav);
    editor.wire->take();
    loadIr(path);
    EXPECT_EQ(editor.services.dialogs.last().value(1), "Wave Files (*.wav)");
    EXPECT_TRUE(editor.wire->take().empty());
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_EQ(
        editor.services.messages.first(),
        "Selected file data:\r\nName: cab.wav\r\nSize: 3044\r\nSample rate: 48000\r\nBits per sample: 24");
    const QString composed = composeImpulseResponse(wav.bytes(), path, "Cabinet IR").programText;
    EXPECT_TRUE(editor.logLines().contains(composed));

    // A file that will not do is refused, and the program composed before stays.
    Wav sixteen;
    sixteen.bits = 16;
    sixteen.data = QByteArray(4000, '\0');
    loadIr(wavFile("sixteen.wav", sixteen));
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("sixteen.wav holds 16-bit integer samples"));

    editor.services.answers = {true};
    editor.wire->take();
    editor.click("btnUpload");
    const std::vector<QByteArray> written = editor.wire->take();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1], composed.toLatin1());
    EXPECT_EQ(editor.pedal().program().toHex().toUpper(), composed.toLatin1());
}

// The page keeps the display name with its spaces and "+", the resource goes by the naming rule.
TEST_F(CatalogueWindows, TheInformationPageOpensBesideTheParameterWindow) {
    choose("Gain", "Drive + Spring");
    auto* params = editor.find<TformFXParameters>("formFXParameters");
    ASSERT_TRUE(params);
    params->show();
    params->move(10, 60);
    // Enabled though hidden: nothing in the window shows it. Shown here to be clicked.
    EXPECT_FALSE(editor.find<QWidget>("btnGetFXInfo")->isVisible());
    editor.find<QWidget>("btnGetFXInfo")->show();
    editor.click("btnGetFXInfo");

    auto* info = editor.find<TformFXInfo>("formFXInfo");
    ASSERT_TRUE(info && info->isVisible());
    EXPECT_EQ(info->windowTitle(), "Drive + Spring");
    EXPECT_EQ(info->pos(), QPoint(10 + params->frameGeometry().width(), 60));
    const QByteArray page = *ProductData::raw("Drive_plus_Spring_info");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains(QString::fromLatin1(page).remove('\r').remove('\n')));
    const QString path = log.last();
    EXPECT_TRUE(path.endsWith("/Drive + Spring-info.html")) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), page);
    EXPECT_EQ(info->WebBrowser1->source(), QUrl::fromLocalFile(path));
    EXPECT_EQ(info->WebBrowser1->documentTitle(), "Drive + Spring");

    // Again, after the parameter window moved: closed and reopened at its new right edge.
    params->move(20, 90);
    editor.click("btnGetFXInfo");
    EXPECT_EQ(info->pos(), QPoint(20 + params->frameGeometry().width(), 90));
}

TEST_F(CatalogueWindows, EveryEffectsPageDisplays) {
    const QStringList catalogue = ProductData::splitLines(*ProductData::raw("effect_list"));
    auto* info = editor.find<TformFXInfo>("formFXInfo");
    const QRegularExpression title("<title>(.*)</title>");
    for (qsizetype i = 1; i < catalogue.size(); ++i) {
        const QString name = ProductData::catalogueLineName(catalogue[i]);
        editor.context->state.selectedEffectName = name;
        info->showPageOfSelectedEffect({0, 0});
        const QString page = QString::fromLatin1(*ProductData::raw(ProductData::baseName(name) + "_info"));
        EXPECT_EQ(info->WebBrowser1->documentTitle(), title.match(page).captured(1)) << name.toStdString();
        EXPECT_FALSE(info->WebBrowser1->toPlainText().isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(editor.services.messages.isEmpty()) << editor.services.messages.join('\n').toStdString();
}

} // namespace
