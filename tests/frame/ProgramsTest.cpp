// Programs: names, selection, copying and the factory bank.
#include <array>
#include <cmath>

#include "FrameTest.h"
#include "engine/Parameters.h"
#include "instrument/FactoryBank.h"
#include "instrument/Instrument.h"

using namespace strellon;
using strellon::test::loadStrellon;
using strellon::test::programName;

namespace {

const char* kFactoryNames[FactoryBank::kSize] = {
    "Basic", "WireHarp", "SoftTime", "Celtic Harp", "TubularHarp", "Tamsk Aeolian Harp",
    "BrusherHarp", "Ossilet Harp", "Rivendell", "Dulcimer", "Quimble tiny bells", "Ode Harp",
    "Harmonical", "ExtremeAsian", "DoubleString", "Wendrasil", "2nd reflection", "Dark Caverns",
    "Dunedain", "Tamsk EasternHarp", "Sorvanel", "Tamsk Alien", "Tamsk FarEast",
    "Tamsk MysteryHarp", "On the moor", "Ringing Tree", "Spanish Harp", "Tol Eressea",
    "SailingHarp", "Electric Piano", "Tamsk WholeTone", "Tessaloon Small", "harp jazz",
    "RiverHarp", "Clear Ring", "Clear Ping", "Nice Lute", "harp jazz", "old sound", "Peenuts",
    "Forever Genki",
};

std::array<float, kNumParams> readAll(host::HostedPlugin& plugin) {
    std::array<float, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) values[i] = plugin.getParameter(i);
    return values;
}

}  // namespace

class Programs : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadStrellon();
        ASSERT_TRUE(plugin);
    }
    void select(int p) { plugin->dispatch(vst2::effSetProgram, 0, p); }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Programs, NamesOfTheWholeBank) {
    for (int p = 0; p < FactoryBank::kSize; ++p) EXPECT_EQ(programName(*plugin, p), kFactoryNames[p]);
    for (int p = FactoryBank::kSize; p < 128; ++p) EXPECT_EQ(programName(*plugin, p), "Basic");
    char buffer[32] = "untouched";
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgramNameIndexed, 128, 0, buffer), 0);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgramNameIndexed, -1, 0, buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    // The category is ignored.
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgramNameIndexed, 40, 9, buffer), 1);
    EXPECT_STREQ(buffer, "Forever Genki");
}

TEST_F(Programs, CelticHarpKeepsItsStringsApart) {
    select(3);
    EXPECT_EQ(plugin->text(vst2::effGetProgramName), "Celtic Harp");
    EXPECT_FLOAT_EQ(plugin->getParameter(kExciter + 1), 0.598389f);
    EXPECT_FLOAT_EQ(plugin->getParameter(kTuning + 2), 0.504003f);
    EXPECT_FLOAT_EQ(plugin->getParameter(kNisFilter + 11), 0.716268f);
    EXPECT_FLOAT_EQ(plugin->getParameter(kShaping), 0.895182f);
    EXPECT_FLOAT_EQ(plugin->getParameter(kLink + 5), 1.0f);
}

TEST_F(Programs, LoadingAFactoryProgramGivesItsValuesEveryTime) {
    for (int p = 0; p < FactoryBank::kSize; ++p) {
        select(p);
        const auto first = readAll(*plugin);
        select((p + 1) % FactoryBank::kSize);
        select(p);
        EXPECT_EQ(readAll(*plugin), first) << p;
        const auto expected = FactoryBank::entry(p).values();
        for (int i = 0; i < kNumParams; ++i)
            if (i != 79 && !(i > kShaping && i < kModulation)) {
                EXPECT_EQ(first[i], expected[i]) << "program " << p << " index " << i;
            }
    }
    select(1);
    for (int s = 0; s < kNumStrings; ++s)
        EXPECT_FLOAT_EQ(plugin->getParameter(kExciter + s), 0.375222f);
}

TEST_F(Programs, CopyDuplicatesTheWholeRecord) {
    select(5);
    const auto values = readAll(*plugin);
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, 100), 1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), 5);
    EXPECT_EQ(programName(*plugin, 100), "Tamsk Aeolian Harp");
    select(0);
    select(100);
    EXPECT_EQ(readAll(*plugin), values);
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, 128), 0);
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, -1), 0);
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, 100), 1);  // onto itself
    EXPECT_EQ(programName(*plugin, 100), "Tamsk Aeolian Harp");
}

TEST_F(Programs, NamesHoldTwentyThreeCharacters) {
    select(50);
    char exact[] = "abcdefghijklmnopqrstuvw";  // 23
    plugin->dispatch(vst2::effSetProgramName, 0, 0, exact);
    EXPECT_EQ(plugin->text(vst2::effGetProgramName), exact);
    EXPECT_EQ(programName(*plugin, 50), exact);
    // A longer host text is cut, not written past the record.
    std::string longName(300, 'x');
    plugin->dispatch(vst2::effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(plugin->text(vst2::effGetProgramName), std::string(23, 'x'));
    EXPECT_EQ(programName(*plugin, 51), "Basic");
    EXPECT_EQ(plugin->getParameter(kLink), 1.0f);
}

TEST_F(Programs, StoresReachTheCurrentProgramOnly) {
    select(10);
    plugin->setParameter(kVolume, 0.33f);
    select(11);
    EXPECT_NE(plugin->getParameter(kVolume), 0.33f);
    select(10);
    EXPECT_FLOAT_EQ(plugin->getParameter(kVolume), 0.33f);
}

// The factory data themselves.
TEST(FactoryBankData, FollowsTheLinkAndToneRamaRules) {
    for (int p = 0; p < FactoryBank::kSize; ++p) {
        const auto v = FactoryBank::entry(p).values();
        for (int i = 61; i <= 71; ++i) EXPECT_EQ(v[i], 0.0f);
        EXPECT_EQ(v[79], 0.0f);
        if (v[kDynaTone] == 0.0f) {
            EXPECT_EQ(v[kToneRama], 0.5f) << p;
        }
        for (int i = 0; i < kNumParams; ++i) {
            EXPECT_TRUE(std::isfinite(v[i]));
            EXPECT_GE(v[i], 0.0f) << p << " " << i;
            EXPECT_LE(v[i], 1.0f) << p << " " << i;
        }
        if (v[kLink] == 0.0f) continue;
        for (int s = 1; s < kNumStrings; ++s) {
            if (v[kLink + s] == 0.0f) continue;
            for (int base : {kExciter, kTuning, kFixing, kNisFilter})
                EXPECT_EQ(v[base + s], v[base]) << "program " << p << " string " << s + 1;
        }
    }
}

TEST(FactoryBankData, LoadingNeverRewritesAFactoryRecord) {
    Instrument instrument(nullptr);
    for (int p = 0; p < FactoryBank::kSize; ++p) {
        instrument.setProgram(p);
        const auto expected = FactoryBank::entry(p).values();
        for (int i = 0; i < kNumParams; ++i)
            EXPECT_EQ(instrument.program(p)->value(i), expected[i]) << p << " " << i;
    }
    EXPECT_EQ(FactoryBank::entry(32).values(), FactoryBank::entry(37).values());
    const auto electricPiano = FactoryBank::entry(29).values();
    EXPECT_FLOAT_EQ(electricPiano[kLink + 3], 0.92f);
    EXPECT_FLOAT_EQ(electricPiano[kToneRama], 0.01f);
}

TEST(FactoryBankData, ProgramsBeyondTheBankKeepTheDefaultRecord) {
    Instrument instrument(nullptr);
    const auto defaults = defaultRecord();
    for (int p : {41, 100, 127})
        for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(instrument.program(p)->value(i), defaults[i]);
    EXPECT_FLOAT_EQ(defaults[kFixing], 0.415f);
    EXPECT_FLOAT_EQ(defaults[65], 0.89f);
    EXPECT_EQ(instrument.program(128), nullptr);
}
