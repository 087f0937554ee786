#include "ResourceGenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString committedData() {
    return qEnvironmentVariable("TARVO_SOURCE_DIR") + QStringLiteral("/resources/data");
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The committed product data must be exactly what the generator makes: a hand edit of a file in
// resources/ is lost the next time the generator runs, so it is caught here instead.
TEST(ResourceGenerator, ReproducesTheCommittedDataByteForByte) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("TARVO_SOURCE_DIR"));
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString error = tarvo::gen::writeProductData(temp.path());
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    const QStringList generated = QDir(temp.path()).entryList(QDir::Files, QDir::Name);
    const QStringList committed = QDir(committedData()).entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(generated.isEmpty());
    for (const QString& name : committed)
        EXPECT_TRUE(generated.contains(name))
            << "resources/data/" << name.toStdString() << " is not made by the generator";
    for (const QString& name : generated) {
        const QByteArray fresh = contents(temp.filePath(name));
        const QByteArray stored = contents(committedData() + QLatin1Char('/') + name);
        ASSERT_TRUE(fresh == stored) << "resources/data/" << name.toStdString()
                                     << " differs from the generator's output (" << stored.size()
                                     << " bytes stored, " << fresh.size()
                                     << " generated); run tarvo-gen-resources resources/data";
    }
}

TEST(ResourceGenerator, ReportsAFolderItCannotWrite) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A plain file where the folder should be.
    const QString blocked = temp.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString error = tarvo::gen::writeProductData(blocked + QStringLiteral("/data"));
    EXPECT_TRUE(error.contains(QStringLiteral("blocked"))) << error.toStdString();
    EXPECT_EQ(contents(blocked), QByteArray());
}

// WCAG 2.1's contrast ratio of two colours, 1 to 21.
double contrast(const QString& a, const QString& b) {
    const auto luminance = [](const QString& name) {
        // "#rrggbb"
        const auto channel = [&](int at) {
            const double v = name.mid(at, 2).toInt(nullptr, 16) / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(1) + 0.7152 * channel(3) + 0.0722 * channel(5);
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every look is legible: text at 4.5:1 against what it is written on, and each control told apart
// from what lies around it at 3:1, by its fill or by its outline (WCAG 2.1, 1.4.3 and 1.4.11).
TEST(Looks, TextAndControlsStandOutInEveryLook) {
    struct Text {
        const char* what;
        const char* text;
        const char* on;
    };
    const Text texts[] = {
        {"window text", "text", "window"},
        {"list and edit box text", "baseText", "base"},
        {"button captions", "buttonText", "button"},
        {"a button under the pointer", "buttonText", "buttonHover"},
        {"a pressed button", "buttonPressedText", "buttonPressed"},
        {"selected rows and the upload button", "accentText", "accent"},
        {"the status lines", "status", "window"},
        {"menus", "text", "menu"},
        {"the console's log", "logText", "logBase"},
    };
    struct Control {
        const char* what;
        const char* fill; // the control's own fill, or its outline: either may set it off
        const char* outline;
        const char* against;
    };
    const Control controls[] = {
        {"a button on the window", "button", "border", "window"},
        {"a list, selector, edit box, check box or switch track on the window", "base", "border", "window"},
        {"a slider's groove on the window", "alternate", "border", "window"},
        {"a slider's handle on its groove", "button", "border", "alternate"},
        {"a slider's filled part on its groove", "accent", "accent", "alternate"},
        {"a ticked box, a switch that is on, the progress", "accent", "accent", "base"},
        {"the switch's knob on its track", "accentText", "border", "base"},
        {"the switch's knob when it is on", "accentText", "border", "accent"},
        {"the focus", "focus", "focus", "window"},
    };
    for (int look = 0; look < 8; ++look) {
        const std::map<QString, QString> c = tarvo::gen::lookColours(look);
        const auto colour = [&](const char* role) { return c.at(QString::fromLatin1(role)); };
        for (const Text& t : texts)
            EXPECT_GE(contrast(colour(t.text), colour(t.on)), 4.5)
                << "look " << look << ": " << t.what << " (" << colour(t.text).toStdString() << " on "
                << colour(t.on).toStdString() << ")";
        for (const Control& k : controls)
            EXPECT_GE(std::max(contrast(colour(k.fill), colour(k.against)),
                               contrast(colour(k.outline), colour(k.against))),
                      3.0)
                << "look " << look << ": " << k.what;
    }
}

} // namespace
