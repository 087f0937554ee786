#include "ProductData.h"
#include "catalogue/ImpulseResponse.h"
#include "support/WavFile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const QString kLongCabinet = QStringLiteral("Long Cabinet IR"); // 0x2B, 912 words from byte 230
const QString kCabinet = QStringLiteral("Cabinet IR");          // 0x27

// The table a file's samples must make, computed here from the values themselves.
QString expectedWords(const std::vector<std::int32_t>& values, int words) {
    QString hex;
    for (int i = 0; i < words; ++i)
        hex +=
            QStringLiteral("%1").arg(static_cast<std::uint32_t>(values.at(i)), 8, 16, QChar(u'0')).toUpper();
    return hex;
}

std::vector<std::int32_t> ramp(int n) {
    std::vector<std::int32_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i * 1000 - 400000);
    return v;
}

QString stored(const QString& name) {
    return QString::fromLatin1(ProductData::raw(ProductData::baseName(name))->trimmed());
}

TEST(ConvertIrSamples, TheTablesWordsFromBothDepths) {
    EXPECT_EQ(*convert_ir_samples("000080", 24, 1, nullptr), "FF800000");
    EXPECT_EQ(*convert_ir_samples("01007F", 24, 1, nullptr), "007F0001");
    EXPECT_EQ(*convert_ir_samples("11223344", 32, 1, nullptr), "00443322");
    EXPECT_EQ(*convert_ir_samples("00000080", 32, 1, nullptr), "FF800000");
    QStringList log;
    EXPECT_EQ(*convert_ir_samples("000080"
                                  "01007F"
                                  "AAAAAA",
                                  24, 2, &log),
              "FF800000007F0001")
        << "exactly W words";
    EXPECT_EQ(log, (QStringList{"FF800000", "007F0001"}));
    EXPECT_FALSE(convert_ir_samples("0000", 16, 1, nullptr));
    EXPECT_FALSE(convert_ir_samples("000080", 24, 2, nullptr)) << "too few samples";
}

TEST(ComposeImpulseResponse, ReplacesOnlyTheTableAndKeepsTheProgramsLength) {
    Wav wav;
    wav.data = samples24(1000);
    const IrComposition ir = composeImpulseResponse(wav.bytes(), "/x/room.wav", kLongCabinet);
    ASSERT_TRUE(ir.problem.isEmpty()) << ir.problem.toStdString();
    const QString program = stored(kLongCabinet);
    ASSERT_EQ(program.size(), 18176);
    ASSERT_EQ(ir.programText.size(), 18176);
    EXPECT_EQ(ir.programText.left(460), program.left(460));
    EXPECT_EQ(ir.programText.mid(7756), program.mid(7756));
    EXPECT_EQ(ir.programText.mid(460, 7296), expectedWords(ramp(1000), 912));
    EXPECT_EQ(
        ir.summary,
        "Selected file data:\r\nName: room.wav\r\nSize: 3044\r\nSample rate: 48000\r\nBits per sample: 24");
    const QStringList expectedStart = {"/x/room.wav", "room.wav", "3044"};
    EXPECT_EQ(ir.log.mid(0, 3), expectedStart);
    EXPECT_TRUE(ir.log.contains("ID: RIFF"));
    EXPECT_TRUE(ir.log.contains("Subchunk ID: fmt "));
    EXPECT_TRUE(ir.log.contains("Bits_per_sample: 24"));
    EXPECT_TRUE(ir.log.contains("subchunk2size: 3000"));
}

TEST(ComposeImpulseResponse, ReadsWhatCommonToolsWrite) {
    struct Case {
        const char* what;
        Wav wav;
        std::vector<std::int32_t> expected;
    };
    Wav junk;
    junk.before = chunk("JUNK", QByteArray(28, '\0'));
    junk.data = samples24(900);
    Wav extensible;
    extensible.format = 0xFFFE;
    extensible.data = samples24(900);
    Wav stereo;
    stereo.channels = 2;
    stereo.data = samples24(900, 2);
    Wav wide;
    wide.bits = 32;
    for (int v : ramp(900))
        putLe(wide.data, static_cast<std::uint32_t>(v) << 8 | 0x5A, 4);
    Wav floating;
    floating.format = 3;
    floating.bits = 32;
    for (int v : ramp(900)) {
        const float f = static_cast<float>(v) / 8388608.0f;
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        putLe(floating.data, bits, 4);
    }
    const Case cases[] = {{"JUNK before fmt", junk, ramp(900)},
                          {"40-byte format chunk", extensible, ramp(900)},
                          {"stereo: the first channel", stereo, ramp(900)},
                          {"32-bit integer: its top 24 bits", wide, ramp(900)},
                          {"32-bit floating point, scaled", floating, ramp(900)}};
    for (const Case& c : cases) {
        const IrComposition ir = composeImpulseResponse(c.wav.bytes(), "/x/a.wav", kCabinet);
        ASSERT_TRUE(ir.problem.isEmpty()) << c.what << ": " << ir.problem.toStdString();
        EXPECT_EQ(ir.programText.mid(460, 882 * 8), expectedWords(c.expected, 882)) << c.what;
    }
    EXPECT_TRUE(composeImpulseResponse(junk.bytes(), "/x/a.wav", kCabinet).log.contains("Subchunk ID: JUNK"));
}

TEST(ComposeImpulseResponse, RefusesWhatWillNotDoAndSaysWhy) {
    Wav good;
    good.data = samples24(1000);
    Wav sixteen;
    sixteen.bits = 16;
    sixteen.data = QByteArray(2000, '\0');
    Wav shortOne;
    shortOne.data = samples24(500);
    QByteArray lying = good.bytes();
    lying.truncate(lying.size() - 1500); // its data chunk claims 3000 bytes
    QByteArray noFormat = good.bytes();
    noFormat.replace(12, 4, "fmX ");
    const std::pair<QByteArray, const char*> cases[] = {
        {"hello, not a sound", "a.wav is not a WAV file"},
        {noFormat, "a.wav has no format chunk"},
        {good.bytes().left(30), "a.wav is cut short"},
        {good.bytes().left(36), "a.wav is cut short: it holds no audio data"},
        {sixteen.bytes(), "a.wav holds 16-bit integer samples"},
        {shortOne.bytes(), "a.wav holds 500 samples; this effect's impulse response needs 912"},
        {lying, "a.wav holds 500 samples"},
    };
    for (const auto& [bytes, why] : cases) {
        const IrComposition ir = composeImpulseResponse(bytes, "/x/a.wav", kLongCabinet);
        EXPECT_TRUE(ir.problem.startsWith(QString::fromLatin1(why)))
            << why << ": " << ir.problem.toStdString();
        EXPECT_TRUE(ir.programText.isEmpty());
    }
    const IrComposition notIr = composeImpulseResponse(good.bytes(), "/x/a.wav", "Digital Delay");
    EXPECT_TRUE(notIr.problem.contains("Cabinet IR")) << notIr.problem.toStdString();
}

// A file made by sox, compared with the samples sox itself gives as raw numbers.
TEST(ComposeImpulseResponse, MatchesTheSamplesSoxReads) {
    const QString sox = QStandardPaths::findExecutable("sox");
    if (sox.isEmpty())
        GTEST_SKIP() << "sox is not installed";
    QTemporaryDir dir;
    for (const QStringList& encoding :
         {QStringList{"-b", "24", "-c", "1"}, QStringList{"-b", "32", "-c", "2"},
          QStringList{"-e", "floating-point", "-b", "32", "-c", "1"}}) {
        const QString wav = dir.path() + "/ir.wav", raw = dir.path() + "/ir.raw";
        QStringList make = {"-n", "-r", "48000"};
        make << encoding << wav << "synth"
             << "0.03"
             << "sine"
             << "440"
             << "vol"
             << "0.8";
        ASSERT_EQ(QProcess::execute(sox, make), 0);
        ASSERT_EQ(QProcess::execute(
                      sox, {wav, "-t", "raw", "-e", "signed", "-b", "32", "-c", "1", raw, "remix", "1"}),
                  0);
        QFile rawFile(raw), wavFile(wav);
        ASSERT_TRUE(rawFile.open(QIODevice::ReadOnly) && wavFile.open(QIODevice::ReadOnly));
        const QByteArray values = rawFile.readAll();
        std::vector<std::int32_t> expected;
        for (qsizetype at = 0; at + 4 <= values.size(); at += 4) {
            std::int32_t v;
            std::memcpy(&v, values.constData() + at, 4);
            expected.push_back(v >> 8);
        }
        const IrComposition ir = composeImpulseResponse(wavFile.readAll(), wav, kLongCabinet);
        ASSERT_TRUE(ir.problem.isEmpty())
            << encoding.join(' ').toStdString() << ": " << ir.problem.toStdString();
        // Float samples may round differently in the last bit.
        const QString got = ir.programText.mid(460, 912 * 8);
        for (int i = 0; i < 912; ++i) {
            const int word = static_cast<int>(got.mid(i * 8, 8).toUInt(nullptr, 16));
            EXPECT_LE(std::abs(word - expected.at(i)), 1)
                << encoding.join(' ').toStdString() << " sample " << i;
        }
    }
}

} // namespace
