// Checks the shipped product data against the rules the editor relies on, so that a later edit
// of the data cannot quietly break one. It reads what is compiled into the executable.
#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "catalogue/ResourceStore.h"
#include "support/ScriptedServices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

constexpr int BankLimit = 5440;

struct Layout {
    int pots = 0, twoState = 0, multis = 0, readbacks = 0;
    QStringList lines;
    int parameters() const { return pots + twoState + multis; }
};

struct Effect {
    int index = 0;
    QString name;
    QString base;
    QByteArray program; // the bytes the hex text stands for
    QString programText;
    Layout layout;
    QByteArray page;
};

int hexValue(QChar c) {
    const int at = QStringLiteral("0123456789ABCDEF").indexOf(c);
    return at; // -1 for anything else, lower case included
}

QByteArray resource(const QString& name) {
    QFile file(ProductData::folder() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing resource " << name.toStdString();
        return {};
    }
    return file.readAll();
}

QStringList lines(const QString& name) {
    return ProductData::splitLines(resource(name));
}

// Everything about the catalogue, read once.
struct Catalogue {
    QStringList list; // EFFECT_LIST lines
    std::vector<Effect> effects;
    std::map<QString, QStringList> categories;

    Catalogue() {
        list = lines(QStringLiteral("EFFECT_LIST"));
        for (int i = 1; i < list.size(); ++i) {
            Effect e;
            e.index = i;
            e.name = list[i].section(QLatin1Char(':'), 1);
            e.base = ResourceStore::format_resource_name(e.name).toUpper();
            e.programText = QString::fromLatin1(resource(e.base));
            e.program = QByteArray::fromHex(e.programText.toLatin1());
            const QStringList text = lines(e.base + QStringLiteral("_CTRLS"));
            e.layout.lines = text;
            if (!text.isEmpty() && text[0].size() == 4) {
                e.layout.pots = hexValue(text[0][0]);
                e.layout.twoState = hexValue(text[0][1]);
                e.layout.multis = hexValue(text[0][2]);
                e.layout.readbacks = hexValue(text[0][3]);
            }
            e.page = resource(e.base + QStringLiteral("_INFO"));
            effects.push_back(e);
        }
        for (const char* category :
             {"GAIN", "MODULATION", "SYNTHESIS", "FILTER", "DYNAMIC", "IMPULSE_RESPONSE", "OTHER"})
            categories[QString::fromLatin1(category)] = lines(QString::fromLatin1(category));
    }
    const Effect& at(int index) const { return effects.at(index - 1); }
    int indexOf(const QString& name) const {
        for (const Effect& e : effects)
            if (e.name == name)
                return e.index;
        return -1;
    }
};

const Catalogue& catalogue() {
    static const Catalogue c;
    return c;
}

TEST(ProductData, IsCompiledInAndReachableWithoutAnyInitialisation) {
    QFile file(QStringLiteral(":/tarvo/EFFECT_LIST"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("0:"));

    // Exactly the catalogue's files: three per effect, the catalogue, seven lists, the firmware and
    // the eight looks; the unread count tables are not carried.
    const QStringList files = QDir(ProductData::folder()).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 58 * 3 + 1 + 7 + 1 + 8);
    for (const char* absent : {"PTSW", "SPNR_CTRLS", "RESOURCE_24"})
        EXPECT_FALSE(files.contains(QString::fromLatin1(absent))) << absent;
    for (const QString& name : files)
        EXPECT_EQ(name, name.toUpper()) << "stored names are upper case";
}

TEST(ProductData, CatalogueNumbersAndNamesItsEffects) {
    const QByteArray raw = resource(QStringLiteral("EFFECT_LIST"));
    EXPECT_FALSE(raw.endsWith('\n') || raw.endsWith('\r')) << "no line break after the last line";
    const Catalogue& c = catalogue();
    ASSERT_EQ(c.list.size(), 59);

    const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9 +\\-]+$"));
    QSet<QString> names, bases;
    for (int i = 0; i < c.list.size(); ++i) {
        const QString prefix = QString::number(i, 16).toUpper() + QLatin1Char(':');
        EXPECT_TRUE(c.list[i].startsWith(prefix)) << c.list[i].toStdString();
        if (i == 0)
            continue;
        const QString name = c.list[i].section(QLatin1Char(':'), 1);
        EXPECT_TRUE(allowed.match(name).hasMatch()) << name.toStdString();
        EXPECT_EQ(name.trimmed(), name);
        names.insert(name);
        bases.insert(ResourceStore::format_resource_name(name).toUpper());
    }
    EXPECT_EQ(names.size(), 58);
    EXPECT_EQ(bases.size(), 58) << "two effects would share resources";

    // The placeholder has no resources of its own.
    const QString placeholder = ResourceStore::format_resource_name(c.list[0].section(QLatin1Char(':'), 1));
    for (const char* suffix : {"", "_CTRLS", "_INFO"})
        EXPECT_FALSE(QFile::exists(ProductData::folder() + QLatin1Char('/') + placeholder.toUpper() +
                                   QLatin1String(suffix)));

    // Every turn of the naming rule is exercised by some real name.
    auto any = [&](const char* pattern) {
        const QRegularExpression re(QString::fromLatin1(pattern));
        return std::any_of(names.begin(), names.end(),
                           [&](const QString& n) { return re.match(n).hasMatch(); });
    };
    EXPECT_TRUE(any(" \\+ "));
    EXPECT_TRUE(any("[A-Za-z]\\+[A-Za-z]"));
    EXPECT_TRUE(any("(^| )X( |$)"));
    EXPECT_TRUE(any("[A-Za-z]X[A-Za-z]"));
    EXPECT_TRUE(any("x"));
    EXPECT_TRUE(any("-"));
}

TEST(ProductData, CategoryListsCoverTheBrowsableEffectsOnce) {
    const Catalogue& c = catalogue();
    const std::map<QString, int> sizes = {{"GAIN", 13},  {"MODULATION", 15}, {"SYNTHESIS", 8},
                                          {"FILTER", 4}, {"DYNAMIC", 2},     {"IMPULSE_RESPONSE", 4},
                                          {"OTHER", 7}};
    std::map<int, QString> home;
    int withFinalBreak = 0;
    for (const auto& [category, names] : c.categories) {
        EXPECT_EQ(names.size(), sizes.at(category)) << category.toStdString();
        const QByteArray raw = resource(category);
        withFinalBreak += raw.endsWith('\n') ? 1 : 0;
        for (const QString& name : names) {
            const int index = c.indexOf(name);
            EXPECT_GT(index, 0) << name.toStdString() << " is not in the catalogue";
            EXPECT_FALSE(home.count(index)) << name.toStdString() << " is listed twice";
            home[index] = category;
        }
    }
    EXPECT_EQ(withFinalBreak, 1);
    EXPECT_EQ(home.size(), 53u);
    for (int index = 1; index <= 58; ++index) {
        const bool unlisted =
            index == 0x25 || index == 0x2D || index == 0x2F || index == 0x35 || index == 0x36;
        EXPECT_EQ(home.count(index) == 0, unlisted) << index;
    }
    std::set<int> ir;
    for (const QString& name : c.categories.at(QStringLiteral("IMPULSE_RESPONSE")))
        ir.insert(c.indexOf(name));
    EXPECT_EQ(ir, (std::set<int>{0x27, 0x29, 0x2A, 0x2B}));

    // Bank mode greys programs above the limit: some category must show both kinds.
    bool mixed = false;
    for (const auto& [category, names] : c.categories) {
        bool small = false, large = false;
        for (const QString& name : names) {
            const int size = static_cast<int>(c.at(c.indexOf(name)).program.size());
            (size > BankLimit ? large : small) = true;
        }
        mixed = mixed || (small && large);
    }
    EXPECT_TRUE(mixed);
}

TEST(ProductData, ProgramsCarryAConsistentHeader) {
    const QRegularExpression hex(QStringLiteral("^([0-9A-F]{2})+$"));
    std::multiset<int> sizes;
    for (const Effect& e : catalogue().effects) {
        SCOPED_TRACE(e.name.toStdString());
        ASSERT_TRUE(hex.match(e.programText).hasMatch()) << "one line of upper-case hex digit pairs";
        const QByteArray& p = e.program;
        const int size = static_cast<int>(p.size());
        sizes.insert(size);
        EXPECT_EQ(size % 32, 0);
        EXPECT_GE(size, 1216);
        EXPECT_LE(size, 9472);
        EXPECT_EQ(static_cast<quint8>(p[0]), 0x00);
        EXPECT_EQ((static_cast<quint8>(p[1]) << 8) | static_cast<quint8>(p[2]), size);
        EXPECT_EQ(static_cast<quint8>(p[126]), e.index);
        EXPECT_EQ(static_cast<quint8>(p[127]), e.layout.parameters());

        std::set<int> addresses;
        for (int i = 0; i < 16; ++i) {
            const int address = (static_cast<quint8>(p[3 + 2 * i]) << 8) | static_cast<quint8>(p[4 + 2 * i]);
            if (i < e.layout.parameters()) {
                EXPECT_NE(address, 0) << "control " << i;
                addresses.insert(address);
            } else {
                EXPECT_EQ(address, 0) << "slot " << i;
            }
        }
        EXPECT_EQ(static_cast<int>(addresses.size()), std::min(16, e.layout.parameters()))
            << "distinct addresses";
    }
    EXPECT_EQ(std::count_if(sizes.begin(), sizes.end(), [](int s) { return s > BankLimit; }), 11);
    for (int size : {1216, 5440, 5568, 9472})
        EXPECT_TRUE(sizes.count(size)) << size;
}

TEST(ProductData, ImpulseResponseProgramsHoldADefaultTable) {
    struct Geometry {
        int index, start, words;
    };
    for (const Geometry g : {Geometry{0x27, 230, 882}, Geometry{0x29, 362, 703}, Geometry{0x2A, 370, 703},
                             Geometry{0x2B, 230, 912}}) {
        const QByteArray& p = catalogue().at(g.index).program;
        SCOPED_TRACE(g.index);
        ASSERT_GE(p.size(), g.start + 4 * g.words);
        EXPECT_EQ(p.mid(g.start, 4).toHex().toUpper(), QByteArray("FF800000"));
        for (int w = 0; w < g.words; ++w) {
            const auto top = static_cast<quint8>(p[g.start + 4 * w]);
            const bool negative = static_cast<quint8>(p[g.start + 4 * w + 1]) & 0x80;
            ASSERT_EQ(top, negative ? 0xFF : 0x00) << "word " << w << " is not a sign-extended 24-bit sample";
        }
    }
    EXPECT_EQ(catalogue().at(0x2B).program.size(), 9088);
}

TEST(ProductData, LayoutsFollowTheLayoutFormat) {
    std::set<int> positions, readbackCounts;
    int buttons = 0, switches = 0;
    for (const Effect& e : catalogue().effects) {
        SCOPED_TRACE(e.name.toStdString());
        const Layout& l = e.layout;
        ASSERT_FALSE(l.lines.isEmpty());
        ASSERT_EQ(l.lines[0].size(), 4);
        for (int d : {l.pots, l.twoState, l.multis, l.readbacks})
            ASSERT_GE(d, 0) << "count digits are 0-9 or upper-case A-F";
        readbackCounts.insert(l.readbacks);

        if (e.index == 0x2D) {
            // Deliberately over the window's limits, with its one readback line missing.
            EXPECT_EQ(l.lines[0], QStringLiteral("AC21"));
            EXPECT_EQ(l.lines.size(), 1 + 24);
        } else {
            EXPECT_LE(l.parameters(), 16);
            EXPECT_LE(l.readbacks, 4);
            EXPECT_EQ(l.lines.size(), 1 + l.parameters() + l.readbacks);
        }
        for (int i = 1; i < l.lines.size(); ++i) {
            const QString& line = l.lines[i];
            EXPECT_FALSE(line.isEmpty()) << "line " << i;
            const int control = i - 1;
            if (control < l.pots || control >= l.parameters()) { // pot or readback: a caption
                EXPECT_FALSE(line.contains(QLatin1Char(':')) || line.contains(QLatin1Char(';')))
                    << line.toStdString();
            } else if (control < l.pots + l.twoState) {
                if (line.contains(QLatin1Char('@'))) {
                    ++buttons;
                    EXPECT_FALSE(line.section(QLatin1Char(':'), 0, 0).isEmpty()) << line.toStdString();
                } else {
                    ++switches;
                    const QStringList parts = line.split(QLatin1Char(':'));
                    EXPECT_EQ(parts.size(), 3) << line.toStdString();
                    EXPECT_FALSE(parts.contains(QString())) << line.toStdString();
                }
            } else {
                const QStringList parts = line.split(QLatin1Char(';'));
                const int count = static_cast<int>(parts.size()) - 1;
                EXPECT_TRUE(count == 4 || count == 5 || count == 6 || count == 8 || count == 12 ||
                            count == 16)
                    << line.toStdString();
                EXPECT_FALSE(parts.contains(QString())) << line.toStdString();
                positions.insert(count);
            }
        }
    }
    EXPECT_EQ(positions, (std::set<int>{4, 5, 6, 8, 12, 16}));
    EXPECT_EQ(readbackCounts, (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_GT(buttons, 0);
    EXPECT_GT(switches, 0);
}

TEST(ProductData, InformationPagesDescribeTheirEffect) {
    for (const Effect& e : catalogue().effects) {
        SCOPED_TRACE(e.name.toStdString());
        const QByteArray& page = e.page;
        EXPECT_GE(page.size(), 1128);
        EXPECT_LE(page.size(), 5244);
        EXPECT_TRUE(page.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"));
        EXPECT_TRUE(page.contains("charset=windows-1252"));
        EXPECT_TRUE(page.contains("<title>" + e.name.toLatin1() + "</title>"));
        for (char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'})
            EXPECT_FALSE(page.contains(undefined)) << "not a windows-1252 character";
        const bool crlf = page.contains("\r\n");
        EXPECT_EQ(page.count('\r'), crlf ? page.count('\n') : 0) << "CR LF or LF line ends throughout";

        // Every control is described under its own name.
        const Layout& l = e.layout;
        for (int i = 1; i <= l.parameters() && i < l.lines.size(); ++i) {
            const QString name = l.lines[i].section(QRegularExpression(QStringLiteral("[:;]")), 0, 0);
            EXPECT_TRUE(page.contains("<b>" + name.toLatin1() + "</b>")) << name.toStdString();
        }
    }
}

TEST(ProductData, FirmwareImageStartsWithAVectorTable) {
    const QByteArray image = resource(QStringLiteral("FIRMWARE_1"));
    ASSERT_EQ(image.size(), 41252);
    auto word = [&](int i) {
        quint32 v = 0;
        for (int b = 3; b >= 0; --b)
            v = (v << 8) | static_cast<quint8>(image[4 * i + b]);
        return v;
    };
    EXPECT_EQ(word(0), 0x20005000u);
    EXPECT_EQ(word(1), 0x08008B29u);
    // The sixteen system entries of any Cortex-M table, each a Thumb address inside the image.
    for (int i = 2; i < 16; ++i) {
        EXPECT_EQ(word(i) & 1, 1u) << i;
        EXPECT_GE(word(i), 0x08000000u) << i;
        EXPECT_LT(word(i), 0x08000000u + 41252) << i;
    }
}

TEST(ProductData, EightDistinctLooksThatTheToolkitAccepts) {
    int argc = 1;
    char name[] = "product_data_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    static QStringList warnings;
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });

    QSet<QByteArray> sheets;
    for (int look = 0; look < 8; ++look) {
        const QByteArray sheet = resource(QStringLiteral("STYLE_%1").arg(look));
        SCOPED_TRACE(look);
        sheets.insert(sheet);
        for (const char* selector :
             {"QPushButton#btnUpload", "QListWidget#lstCategory", "QListWidget::item:disabled",
              "QPlainTextEdit#Memo1", "QProgressBar", "QSlider", "QMenu"})
            EXPECT_TRUE(sheet.contains(selector)) << selector;
        warnings.clear();
        app.setStyleSheet(QString::fromLatin1(sheet));
        QWidget window;
        window.ensurePolished();
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(sheets.size(), 8);
}

} // namespace
