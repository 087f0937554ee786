#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "catalogue/ResourceStore.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

namespace {

struct StoreFixture : ::testing::Test {
    StoreFixture() { log.attach(&view); }
    ScriptedServices services;
    ConsoleLog log;
    RecordingConsoleView view;
    ResourceStore store{services, log};
};

TEST(FormatResourceName, FollowsTheNamingRuleAndFindsTheStoredResource) {
    struct Case {
        const char* display;
        const char* base;
    };
    const Case cases[] = {
        {"Drive + Spring", "Drive_plus_Spring"}, // spaces around a plus
        {"Chorus+Echo", "ChorusplusEcho"},       // plus between letters: no underscores
        {"Razor X Drive", "Razor_mult_Drive"},   // X standing alone
        {"TriXie Tremolo", "Trimultie_Tremolo"}, // X inside a word
        {"Mega Multi FX", "Mega_Multi_Fmult"},   // X ending a word
        {"Proxima Boost", "Proxima_Boost"},      // a lower-case x stays
        {"Through-Zero Flanger", "Through_Zero_Flanger"},
        {"Stack 800 Crunch", "Stack_800_Crunch"},
    };
    ScriptedServices services;
    ConsoleLog log;
    ResourceStore store(services, log);
    for (const Case& c : cases) {
        const QString base = ResourceStore::format_resource_name(QString::fromLatin1(c.display));
        EXPECT_EQ(base, QString::fromLatin1(c.base)) << c.display;
        for (const char* suffix : {"", "_ctrls", "_info"})
            EXPECT_TRUE(ProductData::contains(base + QLatin1String(suffix))) << c.base << suffix;
    }
    // The rule is case-sensitive: only an upper-case X, and nothing is trimmed or folded.
    EXPECT_EQ(ResourceStore::format_resource_name(QStringLiteral(" x-X+ ")), QStringLiteral("_x_multplus_"));
    EXPECT_EQ(ResourceStore::format_resource_name(QString()), QString());
}

TEST(SplitLines, BreaksAtEveryKindOfLineEndAndIgnoresAFinalOne) {
    struct Case {
        QByteArray text;
        QStringList lines;
    };
    const Case cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF then CR is two breaks, not one
        {"a\r\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {"no break", {"no break"}},
        {"caf\xE9", {QString::fromLatin1("caf\xE9")}}, // 8-bit text passes through byte for byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProductData::splitLines(c.text), c.lines) << c.text.toStdString();
}

TEST_F(StoreFixture, FindsResourcesWhateverTheLetterCase) {
    ASSERT_TRUE(store.read_file_from_stream(QStringLiteral("GAIN")));
    const QStringList upper = store.resource_lines;
    ASSERT_EQ(upper.size(), 13);
    for (const char* name : {"gain", "Gain", "gAiN"}) {
        store.resource_lines.clear();
        EXPECT_TRUE(store.read_file_from_stream(QString::fromLatin1(name)));
        EXPECT_EQ(store.resource_lines, upper) << name;
    }
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(StoreFixture, AMissingResourceIsReportedOnceAndYieldsNoLines) {
    ASSERT_TRUE(store.read_file_from_stream(QStringLiteral("filter")));
    const QStringList filter = store.resource_lines;
    ASSERT_EQ(filter.size(), 4); // the list that ends with a line break has no empty fifth row

    EXPECT_FALSE(store.read_file_from_stream(QStringLiteral("No_Such_Effect_ctrls")));
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Error loading resource: Resource No_Such_Effect_ctrls not found")});
    // The lines of the list read before must not pass for the missing resource's own.
    EXPECT_TRUE(store.resource_lines.isEmpty());

    // The same for the size-check list, which is separate from the browser's list.
    ASSERT_TRUE(store.read_file_from_stream(QStringLiteral("filter")));
    ASSERT_TRUE(store.read_file_from_stream2(QStringLiteral("proxima_boost")));
    EXPECT_FALSE(store.read_file_from_stream2(QStringLiteral("missing")));
    EXPECT_TRUE(store.size_check_lines.isEmpty());
    EXPECT_EQ(store.resource_lines, filter);
    EXPECT_EQ(services.messages.size(), 2);
    EXPECT_TRUE(view.lines.isEmpty());
}

TEST_F(StoreFixture, EffectSizeIsHalfTheProgramTextAndIsLogged) {
    EXPECT_EQ(store.get_effect_size(QStringLiteral("Proxima Boost")), 1216);
    EXPECT_EQ(store.get_effect_size(QStringLiteral("Shimmer Reverb")), 9472);
    EXPECT_EQ(store.get_effect_size(QStringLiteral("Drive + Spring")), 4352);
    EXPECT_EQ(view.lines, (QStringList{"resource name: Proxima_Boost", "resource name: Shimmer_Reverb",
                                       "resource name: Drive_plus_Spring"}));
    // Reading sizes must not disturb the list the browser is walking.
    EXPECT_TRUE(store.resource_lines.isEmpty());

    // A program that cannot be read must not borrow the size of the one read before it.
    EXPECT_EQ(store.get_effect_size(QStringLiteral("Unknown Effect")), 0);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Error loading resource: Resource Unknown_Effect not found")});
    EXPECT_EQ(view.lines.last(), QStringLiteral("resource name: Unknown_Effect"));
}

TEST(CatalogueLineName, IsTheTextAfterTheFirstColonOrTheWholeLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"1A:Smart Gate", "Smart Gate"}, {"no colon", "no colon"}, {"2:a:b", "a:b"}, {":", ""}, {"", ""}};
    for (const auto& [line, name] : cases)
        EXPECT_EQ(ProductData::catalogueLineName(QString::fromLatin1(line)), QString::fromLatin1(name))
            << line;
}

TEST_F(StoreFixture, CatalogueLookupTakesTheTextAfterTheFirstColon) {
    EXPECT_EQ(store.catalogueName(0), QStringLiteral("No Effect"));
    EXPECT_EQ(store.catalogueName(0x1A), QStringLiteral("Smart Gate"));
    EXPECT_EQ(store.catalogueName(0x2D), QStringLiteral("Mega Multi FX"));
    EXPECT_EQ(store.catalogueName(0x3A), QStringLiteral("Germanium Fuzz"));
    EXPECT_EQ(store.resource_lines.size(), 59); // the lookup leaves the catalogue in the shared list
    // The index comes from the pedal; one past the catalogue names nothing instead of crashing.
    for (int index : {-1, 0x3B, 0xFF})
        EXPECT_EQ(store.catalogueName(index), QString()) << index;
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(StoreFixture, RawResourcesComeBackWholeAndSilently) {
    const auto firmware = ProductData::raw(QStringLiteral("Firmware_1"));
    ASSERT_TRUE(firmware.has_value());
    EXPECT_EQ(firmware->size(), 41252);
    const auto look = ProductData::raw(QStringLiteral("Style_7"));
    ASSERT_TRUE(look.has_value());
    EXPECT_TRUE(look->startsWith("/*"));
    EXPECT_FALSE(ProductData::raw(QStringLiteral("Style_8")).has_value());
    EXPECT_TRUE(services.messages.isEmpty());
}

} // namespace
