// The exported entry, the effect record and the plug-in's lifetime.
#include <cstdio>
#include <set>

#ifdef _WIN32
#include "tests/windows/ImageDirectory.h"
#endif

#include "FrameTest.h"
#include "instrument/Instrument.h"
#include "plugin/Module.h"
#include "plugin/PluginEntry.h"

using namespace strellon;
using strellon::test::loadStrellon;

namespace {

#ifdef _WIN32
// The names in the library's export table, read from its loaded image.
std::set<std::string> exportedSymbols(const std::string& path) {
    std::set<std::string> names;
    test::readImageDirectory(path, IMAGE_DIRECTORY_ENTRY_EXPORT,
                             [&](const unsigned char* base, const void* directory) {
        const auto* exports = static_cast<const IMAGE_EXPORT_DIRECTORY*>(directory);
        const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            names.insert(reinterpret_cast<const char*>(base + nameOffsets[i]));
    });
    return names;
}
#else
std::set<std::string> exportedSymbols(const std::string& path) {
    std::set<std::string> names;
    FILE* pipe = popen(("nm -D --defined-only '" + path + "'").c_str(), "r");
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
    }
    pclose(pipe);
    return names;
}
#endif

}  // namespace

TEST(Entry, ExportsOnlyTheTwoEntryNames) {
    EXPECT_EQ(exportedSymbols(STRELLON_PLUGIN_PATH),
              (std::set<std::string>{"VSTPluginMain", "main"}));
}

TEST(Entry, EffectRecordCarriesTheInstrumentsValues) {
    auto plugin = loadStrellon();
    ASSERT_TRUE(plugin);
    const vst2::AEffect* e = plugin->effect();
    EXPECT_EQ(e->magic, vst2::kEffectMagic);
    EXPECT_EQ(e->numPrograms, 128);
    EXPECT_EQ(e->numParams, 84);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    // Editor, replacing and synthesizer: 0x111.
    EXPECT_EQ(e->flags, vst2::effFlagsHasEditor | vst2::effFlagsCanReplacing | vst2::effFlagsIsSynth);
    EXPECT_EQ(e->flags, 0x111);
    EXPECT_EQ(e->uniqueID, 0x6B6A786F);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->reserved1, 0);
    EXPECT_EQ(e->reserved2, 0);
    EXPECT_NE(e->object, nullptr);
    for (char c : e->future) EXPECT_EQ(c, 0);
    EXPECT_TRUE(e->dispatcher && e->process && e->processReplacing && e->setParameter &&
                e->getParameter);
}

TEST(Entry, HostVersionZeroMakesNoInstrument) {
    host::HostSettings settings;
    settings.version = 0;
    std::string error;
    EXPECT_FALSE(host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error, settings));
}

TEST(Entry, InstancesAreIndependentAndCloseAnswersOne) {
    auto first = loadStrellon();
    ASSERT_TRUE(first);
    std::string error;
    auto second = host::HostedPlugin::create(first->library(), error);
    ASSERT_TRUE(second) << error;
    first->setParameter(kVolume, 0.25f);
    EXPECT_EQ(second->getParameter(kVolume), 1.0f);
    first->dispatch(vst2::effSetProgram, 0, 7);
    EXPECT_EQ(second->dispatch(vst2::effGetProgram), 0);
    EXPECT_EQ(first->close(), 1);
    EXPECT_EQ(second->getParameter(kVolume), 1.0f);
}

TEST(Entry, LiveValuesAreTheDefaultRecordUntilAProgramIsSelected) {
    auto plugin = loadStrellon();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), 0);
    EXPECT_FLOAT_EQ(plugin->getParameter(kNisFilter), 0.8f);  // factory "Basic" has 0.604818
    EXPECT_FLOAT_EQ(plugin->getParameter(kChorus), 0.28f);
    plugin->dispatch(vst2::effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(plugin->getParameter(kNisFilter), 0.604818f);
}

// The entry's own logic, with plug-in classes that fail on purpose.
namespace {

vst2::intptr VST2_CALL versionHost(vst2::AEffect*, vst2::int32 opcode, vst2::int32, vst2::intptr,
                                   void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

PluginBase* makeFailing(vst2::HostCallback host) {
    auto* instrument = new Instrument(host);
    setOutOfMemory();  // as an editor that cannot be created would
    return instrument;
}
PluginBase* makeWorking(vst2::HostCallback host) { return new Instrument(host); }
PluginBase* makeThrowing(vst2::HostCallback) { throw std::bad_alloc(); }

}  // namespace

TEST(Entry, OneFailedInstanceDoesNotRefuseTheNext) {
    EXPECT_EQ(createEffect(versionHost, makeFailing), nullptr);
    vst2::AEffect* effect = createEffect(versionHost, makeWorking);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_FALSE(outOfMemory());
}

TEST(Entry, AllocationFailureAndMissingHostGiveNull) {
    EXPECT_EQ(createEffect(versionHost, makeThrowing), nullptr);
    EXPECT_EQ(createEffect(nullptr, makeWorking), nullptr);
}

TEST(Entry, ModuleRecordsTheLibrarysPathAndDirectory) {
    recordModule(reinterpret_cast<const void*>(&exportedSymbols));
    EXPECT_NE(moduleHandle(), nullptr);
    EXPECT_FALSE(modulePath().empty());
    EXPECT_EQ(modulePath().rfind(moduleDirectory() + pathSeparator(), 0), 0u);
}
