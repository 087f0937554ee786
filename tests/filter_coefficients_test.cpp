#include "console/FilterCoefficients.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(FilterCoefficients, NotesAndTheirFrequencies) {
    const QStringList& notes = noteNames();
    ASSERT_EQ(notes.size(), 48);
    EXPECT_EQ(notes.first(), "A1");
    EXPECT_EQ(notes.at(3), "C2");
    EXPECT_EQ(notes.at(12), "A2");
    EXPECT_EQ(notes.at(36), "A4");
    EXPECT_EQ(notes.last(), "G#5");
    EXPECT_DOUBLE_EQ(noteFrequency(0), 55.0);
    EXPECT_DOUBLE_EQ(noteFrequency(12), 110.0);
    EXPECT_DOUBLE_EQ(noteFrequency(36), 440.0);
    EXPECT_NEAR(noteFrequency(47), 830.61, 0.01);
}

TEST(FilterCoefficients, TheTableForA2WithoutBoost) {
    const auto filter = peakingFilter(110.0, 1.41, 0.0);
    ASSERT_TRUE(filter);
    const QStringList table = coefficientTable("A2", 0.0, 1.41, *filter);
    ASSERT_EQ(table.size(), 6);
    EXPECT_EQ(table[0], "A2_0db_boost_Q1.41 : array[0..19] of string =");
    EXPECT_EQ(table[1], "('00', '80', '00', '00', ") << "b0 is exactly 1 without boost";
    EXPECT_TRUE(table[5].endsWith("');"));
    EXPECT_EQ(coefficientTable("E2", -6.0, 0.7, *filter)[0], "E2_6db_cut_Q0.7 : array[0..19] of string =");
    EXPECT_EQ(coefficientTable("E2", 6.0, 0.7, *filter)[0], "E2_6db_boost_Q0.7 : array[0..19] of string =");
}

TEST(FilterCoefficients, FixedPointIsRoundedHalfToEvenInTwosComplement) {
    const std::pair<double, const char*> cases[] = {
        {1.0, "00800000"},
        {-1.0, "FF800000"},
        {0.5 / 8388608.0, "00000000"}, // half of the last bit: to even, down
        {1.5 / 8388608.0, "00000002"}, // to even, up
        {-1.5 / 8388608.0, "FFFFFFFE"},
        {255.9999999, "7FFFFFFF"},
        // Only absurd boosts get here: the low 32 bits, whatever lies above them.
        {2000.0, "E8000000"},
        {std::ldexp(1.0, 40) + 1.0, "00800000"},
        {-std::ldexp(1.0, 40) - 1.0, "FF800000"},
        {std::ldexp(1.0, 80), "00000000"},
    };
    for (const auto& [k, hex] : cases)
        EXPECT_EQ(fixedPointPairs(k).join(""), hex) << k;
}

TEST(FilterCoefficients, CoefficientsMatchThePeakingEqualiserComputedApart) {
    // The cookbook's peaking equaliser, normalised by a0, feedback signs inverted.
    for (const auto& [f, q, gain] : {std::tuple{440.0, 0.7, 6.0}, {55.0, 1.41, -12.0}, {830.61, 4.0, 3.5}}) {
        const double A = std::pow(10.0, gain / 40.0);
        const double w = 2.0 * M_PI * f / 48000.0;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha / A;
        const double expected[] = {(1 + alpha * A) / a0, -2 * std::cos(w) / a0, (1 - alpha * A) / a0,
                                   2 * std::cos(w) / a0, -(1 - alpha / A) / a0};
        const auto filter = peakingFilter(f, q, gain);
        ASSERT_TRUE(filter);
        const double got[] = {filter->b0, filter->b1, filter->b2, filter->a1, filter->a2};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(fixedPointPairs(got[i]), fixedPointPairs(expected[i])) << f << " coefficient " << i;
    }
}

TEST(FilterCoefficients, NumbersAreNeverGroupedAndUseTheLocalesSeparator) {
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(generalNumber(1234.5, german), "1234,5");
    EXPECT_EQ(generalNumber(1234.5, english), "1234.5");
    EXPECT_EQ(generalNumber(1234567.25, english), "1234567.25");
    EXPECT_EQ(generalNumber(0.707, german), "0,707");
    const auto filter = peakingFilter(440.0, 1234.5, -1500.0);
    ASSERT_TRUE(filter);
    EXPECT_EQ(coefficientTable("A4", -1500.0, 1234.5, *filter, german)[0],
              "A4_1500db_cut_Q1234,5 : array[0..19] of string =");
}

TEST(FilterCoefficients, NoTableOfInfinities) {
    EXPECT_FALSE(peakingFilter(110.0, 0.0, 0.0));
    EXPECT_FALSE(peakingFilter(110.0, -1.41, 0.0)) << "a negative Q is no quality factor";
    EXPECT_FALSE(peakingFilter(110.0, 1.0, 1e300));
    EXPECT_FALSE(numberFromText(""));
    EXPECT_FALSE(numberFromText("-"));
    EXPECT_FALSE(numberFromText("1.4.1"));
    EXPECT_DOUBLE_EQ(*numberFromText(" 2.5 "), 2.5);
}

} // namespace
