#include "ResourceGenerator.h"

#include "Catalogue.h"
#include "catalogue/Categories.h"

#include <QDir>
#include <QSaveFile>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarvo::gen {

namespace {

// The data must come out identical on every machine, so everything below uses integer
// arithmetic and this fixed generator, never the standard library's distributions or floats.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(next() >> 56); }

private:
    std::uint64_t state_;
};

[[noreturn]] void fail(const std::string& what) {
    throw std::logic_error(what);
}

QByteArray joinLines(const QList<QByteArray>& lines, const QByteArray& separator, bool trailingBreak) {
    QByteArray text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += separator;
        text += lines[i];
    }
    if (trailingBreak)
        text += separator;
    return text;
}

QByteArray baseName(const QByteArray& displayName) {
    QByteArray name = displayName;
    name.replace(' ', "_").replace('-', "_").replace("+", "plus").replace("X", "mult");
    return name.toUpper();
}

// "Name|sentence" -> the layout line alone.
QByteArray layoutLine(const char* control) {
    const QByteArray text(control);
    const qsizetype bar = text.indexOf('|');
    return bar < 0 ? text : text.left(bar);
}

QByteArray controlName(const QByteArray& line, char separator) {
    const qsizetype at = line.indexOf(separator);
    return at < 0 ? line : line.left(at);
}

QByteArray helpFor(const char* control, const QByteArray& name) {
    const QByteArray text(control);
    const qsizetype bar = text.indexOf('|');
    if (bar >= 0)
        return text.mid(bar + 1);
    if (name.startsWith("Step ") && name.size() <= 7)
        return "Sets the pitch of step " + name.mid(5) +
               " of the sequence, from an octave below the root to an octave above it.";
    const char* shared = controlHelp(name.constData());
    if (!shared)
        fail("no description for control \"" + name.toStdString() + "\"");
    return shared;
}

int parameterCount(const EffectDef& e) {
    return static_cast<int>(e.pots.size() + e.twoState.size() + e.multis.size());
}

// The one layout in the library that breaks the window's limits: it declares a readback whose line
// was never written. It is kept that way on purpose, so the editor is tested against it.
bool readbackLineMissing(const EffectDef& e) {
    return e.index == 0x2D;
}

char hexDigit(int value) {
    return "0123456789ABCDEF"[value & 0xF];
}

QByteArray layoutText(const EffectDef& e) {
    QList<QByteArray> lines;
    QByteArray counts;
    counts += hexDigit(static_cast<int>(e.pots.size()));
    counts += hexDigit(static_cast<int>(e.twoState.size()));
    counts += hexDigit(static_cast<int>(e.multis.size()));
    counts += hexDigit(static_cast<int>(e.readbacks.size()));
    lines << counts;
    for (const auto* list : {&e.pots, &e.twoState, &e.multis})
        for (const char* control : *list)
            lines << layoutLine(control);
    if (!readbackLineMissing(e))
        for (const char* readback : e.readbacks)
            lines << layoutLine(readback);
    // Some layouts were saved with a final line break and some without; the editor reads both.
    const bool trailingBreak = e.index % 3 == 0 && !readbackLineMissing(e);
    return joinLines(lines, "\r\n", trailingBreak);
}

struct IrGeometry {
    int start;
    int words;
};

IrGeometry irGeometry(int index) {
    switch (index) {
    case 0x27:
        return {230, 882};
    case 0x29:
        return {362, 703};
    case 0x2A:
        return {370, 703};
    case 0x2B:
        return {230, 912};
    default:
        return {0, 0};
    }
}

QByteArray programBytes(const EffectDef& e) {
    if (e.size % 32 != 0 || e.size < 1216 || e.size > 9472)
        fail(std::string("program size out of range: ") + e.name);
    Noise noise(0x7A4F00ULL + static_cast<std::uint64_t>(e.index) * 7919);
    QByteArray bytes(e.size, '\0');
    for (int i = 35; i < e.size; ++i)
        bytes[i] = static_cast<char>(noise.byte());
    bytes[0] = 0x00;
    bytes[1] = static_cast<char>(e.size >> 8);
    bytes[2] = static_cast<char>(e.size & 0xFF);
    const int n = parameterCount(e);
    const int base = 0x0100 + ((e.index * 0x35) & 0x3F0);
    for (int i = 0; i < 16; ++i) {
        const int address = i < n ? base + i * 0x0C : 0;
        bytes[3 + 2 * i] = static_cast<char>(address >> 8);
        bytes[4 + 2 * i] = static_cast<char>(address & 0xFF);
    }
    bytes[126] = static_cast<char>(e.index);
    bytes[127] = static_cast<char>(n);

    const IrGeometry ir = irGeometry(e.index);
    if (ir.words > 0) {
        if (ir.start + 4 * ir.words > e.size)
            fail(std::string("program too short for its IR table: ") + e.name);
        // A neutral default response: a full-scale first tap and a short, decaying tail, so the
        // effect makes a sound before the player loads an impulse response of their own.
        Noise tail(0x1F2E3D4CULL + static_cast<std::uint64_t>(e.index));
        std::int32_t envelope = 0x300000;
        for (int w = 0; w < ir.words; ++w) {
            std::int32_t sample = -0x800000;
            if (w > 0) {
                const auto spread = static_cast<std::uint64_t>(2 * envelope + 1);
                sample = static_cast<std::int32_t>(tail.next() % spread) - envelope;
                envelope -= envelope / 48;
            }
            const auto word = static_cast<std::uint32_t>(sample); // sign-extended 24-bit sample
            const int at = ir.start + 4 * w;
            bytes[at] = static_cast<char>(word >> 24);
            bytes[at + 1] = static_cast<char>(word >> 16);
            bytes[at + 2] = static_cast<char>(word >> 8);
            bytes[at + 3] = static_cast<char>(word);
        }
    }
    return bytes;
}

QByteArray htmlEscape(const QByteArray& text) {
    QByteArray out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The page's list of the effect's controls, each with its sentence.
QList<QByteArray> controlSection(const EffectDef& e) {
    QList<QByteArray> lines;
    lines << "<h2>Controls</h2>"
          << "<ul>";
    for (const char* control : e.pots) {
        const QByteArray line = layoutLine(control);
        lines << "<li><b>" + htmlEscape(line) + "</b> (knob): " + htmlEscape(helpFor(control, line)) +
                     "</li>";
    }
    for (const char* control : e.twoState) {
        const QByteArray line = layoutLine(control);
        const QByteArray label = controlName(line, ':');
        if (line.contains('@')) {
            lines << "<li><b>" + htmlEscape(label) + "</b> (button): " + htmlEscape(helpFor(control, label)) +
                         "</li>";
        } else {
            const QList<QByteArray> parts = line.split(':');
            lines << "<li><b>" + htmlEscape(label) + "</b> (switch, " + htmlEscape(parts.value(1)) + " / " +
                         htmlEscape(parts.value(2)) + "): " + htmlEscape(helpFor(control, label)) + "</li>";
        }
    }
    for (const char* control : e.multis) {
        const QByteArray line = layoutLine(control);
        const QByteArray label = controlName(line, ';');
        QList<QByteArray> items = line.split(';');
        items.removeFirst();
        lines << "<li><b>" + htmlEscape(label) + "</b> (selector, " + QByteArray::number(items.size()) +
                     " positions: " + htmlEscape(items.join(", ")) +
                     "): " + htmlEscape(helpFor(control, label)) + "</li>";
    }
    lines << "</ul>";
    return lines;
}

// The page's list of what the effect can show on the pedal's indicators, when it has any.
QList<QByteArray> readbackSection(const EffectDef& e) {
    QList<QByteArray> lines;
    if (e.readbacks.empty())
        return lines;
    lines << "<h2>Indicators</h2>"
          << "<p>These values can be shown on the pedal's indicators (assign them in the "
             "parameter window).</p>"
          << "<ul>";
    for (const char* readback : e.readbacks) {
        const QByteArray line = layoutLine(readback);
        lines << "<li><b>" + htmlEscape(line) + "</b>: " + htmlEscape(helpFor(readback, line)) + "</li>";
    }
    lines << "</ul>";
    return lines;
}

QByteArray infoPage(const EffectDef& e) {
    const QByteArray name = htmlEscape(e.name);
    QList<QByteArray> lines;
    lines << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
          << "<html>"
          << "<head>"
          << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
          << "<title>" + name + "</title>"
          << "<style type=\"text/css\">"
          << "body { font-family: Verdana, Arial, sans-serif; font-size: 9pt; margin: 6px; }"
          << "h1 { font-size: 13pt; margin-bottom: 2px; }"
          << "h2 { font-size: 10pt; margin-top: 10px; margin-bottom: 4px; }"
          << "p.category { color: #707070; margin-top: 0; }"
          << "li { margin-bottom: 3px; }"
          << "</style>"
          << "</head>"
          << "<body>"
          << "<h1>" + name + "</h1>";
    if (e.category >= 0)
        lines << QByteArray("<p class=\"category\">Category: ") +
                     categoryNames[static_cast<std::size_t>(e.category)].displayName.toLatin1() + "</p>";
    else
        lines << "<p class=\"category\">Not listed in the effect browser</p>";
    lines << "<p>" + htmlEscape(e.intro) + "</p>";

    lines << controlSection(e) << readbackSection(e);
    lines << "<h2>Tip</h2>"
          << "<p>" + htmlEscape(e.tip) + "</p>"
          << "</body>"
          << "</html>";
    // The pages come from more than one author; some were saved with Unix line ends.
    const QByteArray separator = e.index % 4 == 3 ? "\n" : "\r\n";
    QByteArray page = joinLines(lines, separator, true);
    if (page.size() < 1128 || page.size() > 5244)
        fail(std::string("information page size out of range: ") + e.name + " (" +
             std::to_string(page.size()) + " bytes)");
    return page;
}

QByteArray categoryList(int category) {
    QList<QByteArray> names;
    for (const EffectDef& e : effects())
        if (e.category == category)
            names << e.name;
    // The filter list was saved with a final line break; the browser must not show an empty row.
    return joinLines(names, "\r\n", category == 3);
}

QByteArray hexText(const QByteArray& bytes) {
    return bytes.toHex().toUpper();
}

} // namespace

QByteArray effectList() {
    QList<QByteArray> lines{"0:No Effect"};
    for (const EffectDef& e : effects())
        lines << QByteArray::number(e.index, 16).toUpper() + ":" + e.name;
    return joinLines(lines, "\r\n", false);
}

QByteArray firmwareImage() {
    constexpr int size = 41252;
    constexpr std::uint32_t flash = 0x08000000;
    QByteArray image(size, '\0');
    Noise noise(0x5EED0F1A5ULL);
    for (int i = 0; i < size; ++i)
        image[i] = static_cast<char>(noise.byte());

    // Cortex-M3 vector table: 16 system entries and the 43 interrupts of the pedal's controller.
    // Unused interrupts go to one default handler, as the start-up code of such firmware does.
    constexpr std::uint32_t defaultHandler = 0x08008BA1;
    std::uint32_t vectors[59];
    for (auto& v : vectors)
        v = defaultHandler;
    vectors[0] = 0x20005000;       // initial stack pointer: top of 20 KiB of RAM
    vectors[1] = 0x08008B29;       // reset
    vectors[2] = 0x08008B8D;       // NMI
    vectors[3] = 0x08008B8F;       // hard fault
    vectors[4] = 0x08008B91;       // memory management
    vectors[5] = 0x08008B93;       // bus fault
    vectors[6] = 0x08008B95;       // usage fault
    vectors[11] = 0x08008B97;      // SVCall
    vectors[12] = 0x08008B99;      // debug monitor
    vectors[14] = 0x08008B9B;      // PendSV
    vectors[15] = 0x08003E45;      // SysTick
    vectors[16 + 6] = 0x08002F35;  // EXTI0: footswitch
    vectors[16 + 14] = 0x08004C31; // DMA1 channel 4: USART1 transmit
    vectors[16 + 15] = 0x08004C55; // DMA1 channel 5: USART1 receive
    vectors[16 + 18] = 0x08003901; // ADC1/2: knobs and expression pedal
    vectors[16 + 28] = 0x080036C5; // TIM2: LEDs and tap tempo
    vectors[16 + 31] = 0x08005301; // I2C1 event: settings memories
    vectors[16 + 35] = 0x080051E9; // SPI1: the DSP
    vectors[16 + 37] = 0x08004A11; // USART1: the USB bridge
    for (int i = 0; i < 59; ++i) {
        if (i > 0 && ((vectors[i] & 1) == 0 || vectors[i] < flash || vectors[i] >= flash + size))
            fail("vector outside the image");
        for (int b = 0; b < 4; ++b)
            image[4 * i + b] = static_cast<char>(vectors[i] >> (8 * b)); // little-endian
    }

    // Read-only strings near the end of the code, where a linker would put them.
    const QByteArray banner("Tarvo Max firmware 1\0Merrow Audio\0", 34);
    image.replace(0x9C40, banner.size(), banner);
    return image;
}

std::map<QString, QByteArray> productData() {
    std::map<QString, QByteArray> files;
    auto add = [&files](const QByteArray& name, const QByteArray& content) {
        const QString key = QString::fromLatin1(name);
        if (files.count(key))
            fail("two resources named " + name.toStdString());
        files[key] = content;
    };

    if (effects().size() != 58)
        fail("the catalogue must hold 58 effects");
    int expectedIndex = 1;
    for (const EffectDef& e : effects()) {
        if (e.index != expectedIndex++)
            fail(std::string("catalogue out of order at ") + e.name);
        const QByteArray base = baseName(e.name);
        add(base, hexText(programBytes(e)));
        add(base + "_CTRLS", layoutText(e));
        add(base + "_INFO", infoPage(e));
    }
    add("EFFECT_LIST", effectList());
    for (int c = 0; c < static_cast<int>(categoryNames.size()); ++c)
        add(categoryNames[static_cast<std::size_t>(c)].resourceName.toUpper().toLatin1(), categoryList(c));
    add("FIRMWARE_1", firmwareImage());
    for (int look = 0; look < 8; ++look)
        add("STYLE_" + QByteArray::number(look), styleSheet(look));
    return files;
}

QString writeProductData(const QString& folder) {
    std::map<QString, QByteArray> files;
    try {
        files = productData();
    } catch (const std::exception& error) {
        return QStringLiteral("The product data is inconsistent: %1").arg(QString::fromUtf8(error.what()));
    }
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot create the folder %1").arg(folder);
    const QDir dir(folder);
    for (const auto& [name, content] : files) {
        QSaveFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
            return QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString());
    }
    return {};
}

} // namespace tarvo::gen
