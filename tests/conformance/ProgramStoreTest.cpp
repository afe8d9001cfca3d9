// Programs and the parameter store as a host sees them: the factory bank
// value by value, the link mechanism in every group, what loading and
// copying do to the records.
#include <cmath>
#include <cstring>

#include "Conformance.h"

namespace strellon::conformance {
namespace {

constexpr float kVaries = -1.0f;

// Columns: Link, Exciter, Tuning, Fixing, nisFilter, then the globals.
struct BankRow {
    const char* name;
    float v[17];
};

const BankRow kBank[41] = {
    {"Basic", {1.0f, 0.3f, 0.5f, 0.415f, 0.604818f, 0.823236f, 0.472476f, 0.0f, 0.666667f, 0.0f, 0.597f, 0.0f, 0.5f, 0.845802f, 0.5f, 0.0f, 1.0f}},
    {"WireHarp", {kVaries, 0.375222f, 0.5f, 0.124778f, 0.859722f, 1.0f, 0.0f, 0.0f, 0.794001f, 0.0f, 0.5f, 0.0f, 0.5f, 1.0f, 0.5f, 0.0f, 0.718653f}},
    {"SoftTime", {1.0f, 0.507315f, 0.5f, 0.150375f, 0.771484f, 0.833333f, 0.333333f, 0.0f, 0.84746f, 0.0f, 0.436657f, 0.0f, 0.5f, 1.0f, 0.526389f, 0.166667f, 0.620264f}},
    {"Celtic Harp", {kVaries, kVaries, kVaries, kVaries, kVaries, 0.895182f, 0.0f, 0.104818f, 0.703733f, 0.0f, 0.5f, 0.0f, 0.5f, 0.8f, 0.5f, 0.0f, 0.62898f}},
    {"TubularHarp", {kVaries, 0.204833f, kVaries, 0.333333f, 0.5f, 1.0f, 0.080746f, 0.0f, 0.2572f, 0.0f, 0.454921f, 0.718653f, 0.536231f, 0.791445f, 0.5f, 0.410572f, 0.887939f}},
    {"Tamsk Aeolian Harp", {kVaries, kVaries, kVaries, kVaries, kVaries, 0.906125f, 0.60761f, 0.0f, 0.749741f, 0.0f, 0.817042f, 0.40824f, 0.349024f, 0.8f, 0.5f, 0.333333f, 0.8f}},
    {"BrusherHarp", {1.0f, 0.994266f, 0.5f, 0.904367f, 0.068278f, 0.064274f, 0.487532f, 0.379736f, 1.0f, 0.0f, 0.641815f, 0.666667f, 0.740678f, 0.791445f, 0.5f, 0.640278f, 0.577917f}},
    {"Ossilet Harp", {1.0f, 0.333333f, 0.5f, 0.333333f, 0.5f, 0.521579f, 0.147428f, 0.379736f, 1.0f, 0.0f, 0.379736f, 0.71409f, 0.604818f, 0.791445f, 0.5f, 0.974856f, 0.887939f}},
    {"Rivendell", {0.0f, kVaries, kVaries, kVaries, 0.881462f, 0.456912f, 0.3704f, 0.0565f, 0.793391f, 0.0f, 0.5f, 0.448014f, 0.47885f, 0.8f, 0.5f, 0.333333f, 0.8f}},
    {"Dulcimer", {1.0f, 0.4f, 0.5f, 1.0f, 1.0f, 1.0f, 0.3f, 0.0f, 0.878758f, 0.0f, 1.0f, 0.704833f, 0.738111f, 0.8f, 0.5f, 0.409467f, 0.683607f}},
    {"Quimble tiny bells", {1.0f, 0.345802f, 0.5f, 0.806944f, 0.8f, 0.89f, 0.748554f, 0.0f, 0.823236f, 0.0f, 0.4f, 0.0f, 0.5f, 0.8f, 0.5f, 0.284294f, 1.0f}},
    {"Ode Harp", {kVaries, kVaries, 0.5f, 0.776833f, 0.781347f, 0.687817f, 0.223167f, 0.271484f, 0.8f, 0.0f, 1.0f, 0.787908f, 0.223167f, 0.967607f, 0.5f, 0.333333f, 0.73001f}},
    {"Harmonical", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.973611f, 0.505948f, 0.0f, 0.150375f, 0.0f, 0.124778f, 1.0f, 1.0f, 0.57915f, 0.5f, 0.008158f, 1.0f}},
    {"ExtremeAsian", {1.0f, 1.0f, 0.5f, 0.58875f, 0.636555f, 0.234944f, 0.276833f, 0.592655f, 1.0f, 0.298288f, 0.512468f, 0.487532f, 0.414079f, 0.791445f, 0.5f, 0.281347f, 0.546111f}},
    {"DoubleString", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.234944f, 0.276833f, 0.281347f, 1.0f, 0.0f, 0.512468f, 0.778728f, 0.718653f, 1.0f, 0.5f, 0.568278f, 0.8f}},
    {"Wendrasil", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.796267f, 0.814999f, 0.124778f, 0.223167f, 0.0f, 0.31569f, 0.810948f, 1.0f, 0.57915f, 0.5f, 0.271484f, 1.0f}},
    {"2nd reflection", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.136555f, 0.5f, 0.0f, 0.341491f, 0.0f, 0.541889f, 0.397608f, 0.701712f, 0.8f, 0.5f, 0.28f, 1.0f}},
    {"Dark Caverns", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.614681f, 0.635071f, 0.143184f, 0.826019f, 0.0f, 0.842554f, 0.333333f, 0.026389f, 0.57915f, 0.5f, 0.098389f, 1.0f}},
    {"Dunedain", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.725724f, 0.342972f, 0.0f, 0.73001f, 0.0f, 0.298288f, 0.0f, 0.5f, 0.57915f, 0.5f, 0.208555f, 1.0f}},
    {"Tamsk EasternHarp", {kVaries, kVaries, kVaries, kVaries, kVaries, 0.487532f, 0.60761f, 0.068278f, 0.749741f, 0.0f, 0.853483f, 0.40824f, 0.805205f, 0.8f, 0.5f, 0.333333f, 0.8f}},
    {"Sorvanel", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.537067f, 0.635071f, 0.110166f, 0.826019f, 0.0f, 0.143184f, 0.371499f, 0.354484f, 0.57915f, 0.5f, 0.098389f, 1.0f}},
    {"Tamsk Alien", {0.0f, kVaries, kVaries, 0.414079f, kVaries, 0.28693f, 0.863445f, 0.476518f, 0.860857f, 0.0f, 0.281347f, 0.71307f, 0.223167f, 0.791445f, 0.5f, 0.640278f, 0.62308f}},
    {"Tamsk FarEast", {0.0f, 0.349625f, kVaries, 0.414079f, 0.636555f, 0.458111f, 0.276833f, 0.208555f, 1.0f, 0.0f, 0.196778f, 0.487532f, 0.414079f, 0.791445f, 0.5f, 0.361462f, 0.8f}},
    {"Tamsk MysteryHarp", {0.0f, kVaries, kVaries, 0.414079f, kVaries, 0.333333f, 0.488842f, 0.208555f, 0.208555f, 0.0f, 0.0f, 0.71307f, 0.223167f, 0.791445f, 0.5f, 0.361462f, 0.8f}},
    {"On the moor", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.234944f, 0.906662f, 0.0f, 0.341491f, 0.0f, 0.613073f, 0.252587f, 0.385319f, 0.8f, 0.5f, 0.523482f, 1.0f}},
    {"Ringing Tree", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.822175f, 0.814999f, 0.124778f, 0.725724f, 0.0f, 0.485874f, 0.529197f, 0.555624f, 0.57915f, 0.5f, 0.451872f, 1.0f}},
    {"Spanish Harp", {kVaries, kVaries, 0.5f, 0.776833f, 0.781347f, 0.718653f, 0.223167f, 0.271484f, 1.0f, 0.0f, 1.0f, 0.787908f, 0.223167f, 0.967607f, 0.5f, 0.333333f, 0.73001f}},
    {"Tol Eressea", {0.0f, kVaries, 0.5f, kVaries, kVaries, 0.4435f, 0.635071f, 0.110166f, 0.693056f, 0.0f, 0.205524f, 0.772631f, 0.942503f, 0.57915f, 0.5f, 0.333333f, 0.794476f}},
    {"SailingHarp", {1.0f, 0.309851f, 0.5f, 0.0f, 0.0f, 0.378129f, 0.276833f, 0.281347f, 0.685073f, 0.0f, 0.512468f, 0.778728f, 0.718653f, 1.0f, 0.5f, 0.0f, 0.8f}},
    {"Electric Piano", {kVaries, 0.24f, 0.5f, 0.79f, 0.42f, 0.43f, 0.43f, 0.79f, 0.89f, 0.41f, 0.9f, 0.57f, 0.01f, 0.58f, 0.5f, 0.39f, 0.8f}},
    {"Tamsk WholeTone", {0.0f, kVaries, kVaries, kVaries, kVaries, 0.687817f, 0.223167f, 0.271484f, 1.0f, 0.0f, 1.0f, 0.787908f, 0.223167f, 0.967607f, 0.5f, 0.333333f, 0.73001f}},
    {"Tessaloon Small", {1.0f, 0.21307f, 0.5f, 0.833333f, 0.412039f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.412039f, 0.210093f, 0.878758f, 0.845802f, 0.5f, 0.203733f, 1.0f}},
    {"harp jazz", {1.0f, 0.3f, 0.5f, 0.415f, 0.239025f, 0.89f, 0.634273f, 0.0f, 0.779502f, 0.080746f, 0.190149f, 0.760004f, 0.651535f, 0.8f, 0.5f, 0.823236f, 0.877689f}},
    {"RiverHarp", {0.0f, kVaries, 0.5f, kVaries, kVaries, 1.0f, 0.259322f, 0.0f, 0.688922f, 0.0f, 0.124778f, 0.404778f, 0.342972f, 0.57915f, 0.5f, 0.008158f, 0.794476f}},
    {"Clear Ring", {0.8f, 0.5f, 0.5f, 0.8f, 0.0f, 0.414079f, 0.5f, 0.0f, 0.8f, 0.0f, 0.4f, 0.0f, 0.5f, 0.8f, 0.5f, 0.28f, 1.0f}},
    {"Clear Ping", {0.8f, 0.5f, 0.5f, 0.8f, 1.0f, 0.0f, 0.5f, 0.0f, 0.8f, 0.0f, 0.4f, 0.0f, 0.5f, 0.8f, 0.5f, 0.28f, 1.0f}},
    {"Nice Lute", {kVaries, kVaries, kVaries, 0.0f, kVaries, 1.0f, 1.0f, 0.0f, 0.541889f, 0.656065f, 0.412039f, 0.210093f, 0.878758f, 0.845802f, 0.5f, 0.203733f, 1.0f}},
    {"harp jazz", {1.0f, 0.3f, 0.5f, 0.415f, 0.239025f, 0.89f, 0.634273f, 0.0f, 0.779502f, 0.080746f, 0.190149f, 0.760004f, 0.651535f, 0.8f, 0.5f, 0.823236f, 0.877689f}},
    {"old sound", {1.0f, 0.4f, 0.5f, 0.11f, 0.8f, 0.89f, 0.3f, 0.0f, 0.5f, 0.0f, 0.333333f, 0.0f, 0.5f, 1.0f, 0.5f, 0.0f, 0.666667f}},
    {"Peenuts", {kVaries, kVaries, 0.5f, kVaries, kVaries, 0.85f, 0.58f, 0.28f, 0.65f, 0.88f, 0.25f, 0.63f, 0.04f, 0.83f, 0.5f, 0.22f, 0.8f}},
    {"Forever Genki", {kVaries, 0.41f, 0.5f, 0.53f, 0.31f, 0.18f, 0.96f, 0.37f, 0.89f, 0.01f, 0.09f, 0.63f, 0.59f, 0.66f, 0.5f, 0.07f, 0.8f}},

};

constexpr int kGroupBases[5] = {kLink, kExciter, kTuning, kFixing, kNisFilter};
constexpr int kGlobals[12] = {kShaping, kModulation, kSelfBend, kSympathetic, kDamp, kThePick,
                              kDynaTone, kToneRama, kVelocity, kPitch, kChorus, kVolume};

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = load();
        ASSERT_TRUE(plugin);
    }
    void select(int p) { plugin->dispatch(vst2::effSetProgram, 0, p); }
    void set(int i, float v) { plugin->setParameter(i, v); }
    float get(int i) { return plugin->getParameter(i); }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Store, FactoryBankValueByValue) {
    for (int p = 0; p < 41; ++p) {
        SCOPED_TRACE(kBank[p].name);
        select(p);
        EXPECT_EQ(plugin->text(vst2::effGetProgramName), kBank[p].name);
        for (int g = 0; g < 5; ++g) {
            if (kBank[p].v[g] == kVaries) continue;
            for (int s = 0; s < 12; ++s)
                EXPECT_NEAR(get(kGroupBases[g] + s), kBank[p].v[g], 1e-6) << "group " << g << " string " << s + 1;
        }
        for (int k = 0; k < 12; ++k) EXPECT_NEAR(get(kGlobals[k]), kBank[p].v[5 + k], 1e-6) << kGlobals[k];
        for (int i : {61, 66, 71, 79}) EXPECT_EQ(get(i), 0.0f);
    }
}

TEST_F(Store, ProgramsGivenStringByString) {
    select(1);  // WireHarp
    for (int s = 0; s < 12; ++s) EXPECT_NEAR(get(kLink + s), s == 3 || s == 10 ? 1.0f : 0.4f, 1e-6) << s;
    select(3);  // Celtic Harp: Link1 off, so every string keeps its own values
    const float exciter[12] = {0.666667f, 0.598389f, 0.776833f, 0.633435f, 0.734944f, 0.765056f,
                               0.679135f, 0.643184f, 0.875222f, 0.682958f, 0.643184f, 0.708555f};
    const float fixing[12] = {0.21307f, 0.204833f, 0.2572f, 0.317042f, 0.291445f, 0.375222f,
                              0.303222f, 0.401611f, 0.366565f, 0.285205f, 0.181799f, 0.201712f};
    const float nis[12] = {0.701712f, 0.704833f, 0.644792f, 0.749556f, 0.58875f, 0.791445f,
                           0.658183f, 0.772631f, 0.778032f, 0.614681f, 0.718653f, 0.716268f};
    EXPECT_EQ(get(kLink), 0.0f);
    for (int s = 0; s < 12; ++s) {
        EXPECT_NEAR(get(kExciter + s), exciter[s], 1e-6) << s;
        EXPECT_NEAR(get(kFixing + s), fixing[s], 1e-6) << s;
        EXPECT_NEAR(get(kNisFilter + s), nis[s], 1e-6) << s;
        EXPECT_NEAR(get(kTuning + s), s == 2 ? 0.504003f : 0.5f, 1e-6) << s;
        if (s > 0) {
            EXPECT_EQ(get(kLink + s), 1.0f);
        }
    }
    select(29);  // Electric Piano: odd link values, all on
    const float links[12] = {0.15f, 0.26f, 0.47f, 0.92f, 0.42f, 0.15f, 0.12f, 0.63f, 0.3f, 0.39f, 0.57f, 0.86f};
    for (int s = 0; s < 12; ++s) EXPECT_NEAR(get(kLink + s), links[s], 1e-6) << s;
}

TEST_F(Store, ProgramsAfterTheBankHoldTheDefaultRecord) {
    for (int p : {41, 90, 127}) {
        select(p);
        EXPECT_EQ(plugin->text(vst2::effGetProgramName), "Basic");
        const std::pair<int, float> expected[] = {
            {kLink + 6, 1.0f}, {kExciter + 3, 0.3f}, {kTuning + 11, 0.5f}, {kFixing, 0.415f},
            {kNisFilter + 8, 0.8f}, {kShaping, 0.89f}, {kModulation, 0.5f}, {kSelfBend, 0.0f},
            {kSympathetic, 0.8f}, {kDamp, 0.0f}, {kThePick, 0.4f}, {kDynaTone, 0.0f},
            {kToneRama, 0.5f}, {kVelocity, 0.8f}, {kPitch, 0.5f}, {kChorus, 0.28f}, {kVolume, 1.0f}};
        for (auto [i, v] : expected) EXPECT_FLOAT_EQ(get(i), v) << p << " " << i;
    }
}

TEST_F(Store, LinkingWorksAlikeInEveryGroup) {
    for (int base : {kExciter, kTuning, kFixing, kNisFilter}) {
        SCOPED_TRACE(base);
        auto fresh = load();
        ASSERT_TRUE(fresh);
        fresh->setParameter(kLink + 5, 0.0f);    // string 6 out
        fresh->setParameter(kLink + 2, -0.5f);   // negative counts as on
        fresh->setParameter(base + 4, 0.66f);    // string 5, a linked member
        // An unlinked member keeps its own value and moves nobody else.
        fresh->setParameter(base + 5, 0.11f);
        fresh->setParameter(kLink, 0.0f);        // now read the stored values
        for (int s = 0; s < 12; ++s)
            EXPECT_FLOAT_EQ(fresh->getParameter(base + s), s == 5 ? 0.11f : 0.66f) << s;
        for (int other : {kExciter, kTuning, kFixing, kNisFilter})
            if (other != base) {
                EXPECT_NE(fresh->getParameter(other + 4), 0.66f) << other;
            }
    }
}

TEST_F(Store, LoadingMakesLinkedMembersOfTheRecordFollowString1) {
    select(50);
    set(kLink, 0.0f);
    set(kExciter + 1, 0.9f);  // string 2, unlinked for now
    set(kExciter, 0.2f);
    set(kLink, 1.0f);         // linked again: reads follow string 1, the store has not moved
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.2f);
    set(kLink, 0.0f);
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.9f);
    set(kLink, 1.0f);
    select(51);
    select(50);               // loading spreads string 1 over the linked members of the record
    set(kLink, 0.0f);
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.2f);
    select(51);
    select(50);
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.2f);
}

TEST_F(Store, ToneRamaRuleWritesTheRecordToo) {
    select(60);
    set(kDynaTone, 0.0f);
    set(kToneRama, 0.9f);   // stored as 0.5, in the program as well
    set(kDynaTone, 0.6f);
    select(61);
    select(60);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);

    // A record holding ToneRama 0.9 with DynaTone 0 is rewritten by loading.
    select(62);
    set(kDynaTone, 0.6f);
    set(kToneRama, 0.9f);
    set(kDynaTone, 0.0f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);  // read rule
    select(63);
    select(62);
    set(kDynaTone, 0.6f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);
    select(63);
    select(62);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);
}

TEST_F(Store, CopyTakesTheRecordNotTheLiveValues) {
    // Right after construction the live values are the default record's
    // while program 0 already holds factory "Basic".
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, 100), 1);
    EXPECT_FLOAT_EQ(get(kNisFilter), 0.8f);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), 0);
    select(100);
    EXPECT_NEAR(get(kNisFilter), 0.604818f, 1e-6);
    EXPECT_NEAR(get(kChorus), 0.0f, 1e-6);

    select(5);
    set(kVolume, 0.123f);
    char name[] = "Copied";
    plugin->dispatch(vst2::effSetProgramName, 0, 0, name);
    EXPECT_EQ(plugin->dispatch(vst2::effCopyProgram, 6), 1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), 5);
    char buffer[32] = {};
    plugin->dispatch(vst2::effGetProgramNameIndexed, 6, 0, buffer);
    EXPECT_STREQ(buffer, "Copied");
    select(6);
    EXPECT_FLOAT_EQ(get(kVolume), 0.123f);
    EXPECT_EQ(plugin->text(vst2::effGetProgramName), "Copied");
}

TEST_F(Store, UnnamedAndOutsideStoresLeaveTheProgramAlone) {
    select(70);
    for (int i : {61, 65, 71, 79, 84, -5}) set(i, 0.77f);
    for (int i = 0; i < 84; ++i) EXPECT_NE(get(i), 0.77f) << i;
    select(71);
    select(70);
    for (int i = 0; i < 84; ++i) EXPECT_NE(get(i), 0.77f) << i;
}

}  // namespace
}  // namespace strellon::conformance
