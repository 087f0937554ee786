#include "params/ControlLayout.h"
#include "params/ParameterMessages.h"
#include "protocol/StateBlock.h"

#include <gtest/gtest.h>

namespace {

QStringList layoutLines(const QString& counts, int lines) {
    QStringList all{counts};
    for (int i = 1; i <= lines; ++i)
        all << QStringLiteral("Line %1").arg(i);
    return all;
}

TEST(ControlLayoutTest, CountsLineRules) {
    struct Case {
        QString counts;
        std::uint32_t p, s, m, r;
        bool logsReadbacks;
    };
    const std::vector<Case> cases = {
        {"5410", 5, 4, 1, 0, true}, {"9521", 9, 5, 2, 1, true}, {"C100", 12, 1, 0, 0, true},
        {"300", 3, 0, 0, 0, false}, {"4001", 4, 0, 0, 1, true},
    };
    for (const Case& c : cases) {
        const ControlLayout layout = parseLayoutLines(layoutLines(c.counts, 30));
        EXPECT_EQ(layout.pots, c.p) << c.counts.toStdString();
        EXPECT_EQ(layout.switches, c.s) << c.counts.toStdString();
        EXPECT_EQ(layout.multiSwitches, c.m) << c.counts.toStdString();
        EXPECT_EQ(layout.readbacks, c.r) << c.counts.toStdString();
        EXPECT_EQ(layout.log.contains(QStringLiteral("num of readbacks: %1").arg(c.r)), c.logsReadbacks);
        EXPECT_EQ(layout.controlLines.size(), c.p + c.s + c.m);
    }
    const ControlLayout full = parseLayoutLines(layoutLines("9521", 30));
    EXPECT_EQ(full.readbackLines, QStringList{"Line 17"});
    EXPECT_EQ(full.log.mid(0, 4), (QStringList{"num of pots: 9", "num of switches: 5",
                                               "num of multi switch: 2", "num of readbacks: 1"}));
}

TEST(ControlLayoutTest, OversizedOrShortLayoutsAreCutAndSaySo) {
    // 10 pots, 12 switches, 2 multi-position switches, 1 readback whose line is missing.
    const ControlLayout big = parseLayoutLines(layoutLines("AC21", 24));
    EXPECT_EQ(big.pots, 10u);
    EXPECT_EQ(big.switches, 6u);
    EXPECT_EQ(big.multiSwitches, 0u);
    EXPECT_EQ(big.readbacks, 0u);
    EXPECT_EQ(big.controlLines.size(), 16);
    EXPECT_EQ(big.controlLines.last(), "Line 16");
    EXPECT_TRUE(
        big.log.contains("layout declares 24 parameters and 1 readbacks; only 16 and 0 fit and are shown"));

    const ControlLayout shortOne = parseLayoutLines(layoutLines("4202", 5));
    EXPECT_EQ(shortOne.parameters(), 5u);
    EXPECT_EQ(shortOne.switches, 1u);
    EXPECT_EQ(shortOne.readbacks, 0u);

    const ControlLayout empty = parseLayoutLines({});
    EXPECT_EQ(empty.parameters(), 0u);
}

TEST(ControlLayoutTest, SwitchButtonAndMultiSwitchLines) {
    const SwitchLine phase = parseSwitchLine("LFO Phase:0:180");
    EXPECT_EQ(phase.name, "LFO Phase");
    EXPECT_EQ(phase.offText, "0");
    EXPECT_EQ(phase.onText, "180");
    const SwitchLine threeColons = parseSwitchLine("A:B:C:D");
    EXPECT_EQ(threeColons.onText, "C:D");
    const SwitchLine oneColon = parseSwitchLine("Hold:ON");
    EXPECT_EQ(oneColon.offText, "ON");
    EXPECT_EQ(oneColon.onText, "ON");

    EXPECT_TRUE(isButtonLine("Tap:Tap:Tap@"));
    EXPECT_EQ(lineName("Sample:OFF:ON@", u':'), "Sample");
    EXPECT_FALSE(isButtonLine("Pitch Hold:OFF:ON"));

    const MultiSwitchLine range = parseMultiSwitchLine("Sine Range;I;II;III;IV;V");
    EXPECT_EQ(range.name, "Sine Range");
    EXPECT_EQ(range.items, (QStringList{"I", "II", "III", "IV", "V"}));
    EXPECT_EQ(parseMultiSwitchLine("Mode;A;B;").items, (QStringList{"A", "B", ""}));
}

TEST(ControlLayoutTest, HexDigits) {
    EXPECT_EQ(ParseHexDigit("0"), 0);
    EXPECT_EQ(ParseHexDigit("9"), 9);
    EXPECT_EQ(ParseHexDigit("A"), 10);
    EXPECT_EQ(ParseHexDigit("F"), 15);
    EXPECT_EQ(ParseHexDigit("a"), -1);
    EXPECT_EQ(ParseHexDigit(""), -1);
}

TEST(ControlLayoutTest, ParameterAddressesComeFromCharactersSevenOn) {
    QString program = "000A00";
    for (int i = 0; i < 16; ++i)
        program += QStringLiteral("%1").arg(0x10 + i, 4, 16, QChar(u'0')).toUpper();
    program += "FFFF";
    const QStringList addresses = parameterAddressesOf(program);
    EXPECT_EQ(addresses.size(), 16);
    EXPECT_EQ(addresses.first(), "0010");
    EXPECT_EQ(addresses.last(), "001F");
}

TEST(ControlLayoutTest, MultiSwitchPositionsAndLevels) {
    struct Case {
        std::uint32_t positions;
        std::int32_t value;
        int position;
    };
    const std::vector<Case> cases = {
        {3, 0, 0},   {3, 340, 0}, {3, 341, 1},    {3, 1023, 2}, {4, 255, 0}, {4, 256, 1},
        {4, 767, 2}, {4, 768, 3}, {4, 1024, 3},   {12, 84, 0},  {12, 85, 1}, {12, 1023, 11},
        {16, 63, 0}, {16, 64, 1}, {16, 1023, 15}, {0, 512, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(multiSwitchPosition(c.value, c.positions), c.position) << c.positions << " " << c.value;

    struct Level {
        std::uint32_t positions;
        int position;
        QString sent;
    };
    const std::vector<Level> levels = {{4, 2, "0100AA00400000"},
                                       {3, 2, "0100AA00554000"},
                                       {12, 11, "0100AA0074E000"},
                                       {16, 15, "0100AA00780000"}};
    for (const Level& l : levels)
        EXPECT_EQ(setParameterText("00AA", multiSwitchLevel(l.position, l.positions)), l.sent) << l.positions;
}

TEST(ControlLayoutTest, ASelectorWithMorePositionsThanLevelsStaysWithinTheScale) {
    // 1024 div 2000 is 0: every position would divide by it.
    QString line = QStringLiteral("Many");
    for (int i = 0; i < 2000; ++i)
        line += QStringLiteral(";%1").arg(i);
    const MultiSwitchLine parsed = parseMultiSwitchLine(line);
    EXPECT_EQ(parsed.items.size(), static_cast<qsizetype>(kMaxMultiSwitchPositions));
    for (std::int32_t value : {0, 1, 512, 1023, 1024, 70000})
        EXPECT_LT(multiSwitchPosition(value, 2000), 1024) << value;
    for (int position : {0, 1023, 1999, 5000}) {
        const std::int32_t level = multiSwitchLevel(position, 2000);
        EXPECT_GE(level, 0) << position;
        EXPECT_LE(level, 1023) << position;
    }
}

TEST(ControlLayoutTest, PotLevelsRoundHalvesToEven) {
    EXPECT_EQ(setParameterText("001C", potLevel(512)), "01001C00400000");
    EXPECT_EQ(setParameterText("001C", potLevel(1023)), "01001C007FE000");
    EXPECT_EQ(potLevel(511.5), 512);
    EXPECT_EQ(potLevel(510.5), 510);
    EXPECT_EQ(setParameterText("0001", 1024), "01000100800000");
    EXPECT_EQ(setParameterText("0001", 0), "01000100000000");
}

TEST(ControlLayoutTest, StateBlockOffsetsForTwoParametersAndOneReadback) {
    const StateBlockOffsets o{2};
    EXPECT_EQ(o.value(1), 4u);
    EXPECT_EQ(o.assignment(0), 8u);
    EXPECT_EQ(o.assignment(1), 9u);
    EXPECT_EQ(o.bypass(), 24u);
    EXPECT_EQ(o.preset(), 25u);
    EXPECT_EQ(o.readback(0), 26u);
    EXPECT_EQ(o.reverse(0), 30u);
    EXPECT_EQ(o.reverse(1), 31u);
    EXPECT_EQ(o.mode(), 46u);
    EXPECT_EQ(o.bankOrPreset(), 47u);
    EXPECT_EQ(o.midiChannel(), 48u);
    EXPECT_EQ(o.size(), 49u);

    const QByteArray block = QByteArray::fromHex("00400000"
                                                 "FFFFE000"
                                                 "007FE000");
    EXPECT_EQ(stateBlockParameterValue(block, 0), 512);
    EXPECT_EQ(stateBlockParameterValue(block, 1), -1);
    EXPECT_EQ(stateBlockParameterValue(block, 2), 1023);
    EXPECT_EQ(stateBlockParameterValue(block, 3), 0);
}

} // namespace
