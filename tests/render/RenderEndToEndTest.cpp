#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host/PluginHost.h"
#include "host/midi/MidiWriter.h"
#include "host/render/Renderer.h"
#include "tests/render/FakeInstrument.h"
#include "tests/render/RenderTestSupport.h"

namespace strellon::render::testing {
namespace {

constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";
constexpr int kKeys[] = {57, 69, 76};  // A3, A4, E5

// Three notes 0.8 s apart, each held 0.6 s, at 120 beats per minute; the
// piece ends at 2.4 s. A program change to 1 may come at 1.0 s: it lands at
// the start of its block, so it is left out where block sizes are compared.
std::vector<std::uint8_t> threeNotes(bool programChange = true) {
    midi::MidiWriter w(1, 480);
    const int conductor = w.addTrack();
    const int track = w.addTrack();
    w.tempo(conductor, 0, 500000);
    for (int i = 0; i < 3; ++i) {
        w.noteOn(track, i * 768, 0, kKeys[i], 100);
        w.noteOff(track, i * 768 + 576, 0, kKeys[i]);
    }
    if (programChange) w.program(track, 960, 0, 1);
    w.endAt(track, 2304);
    return w.bytes();
}

bool have(const std::string& path) { return !path.empty() && std::filesystem::exists(path); }

// amsynth starts on the first preset of the user's own bank when there is
// one; an empty home gives it its factory presets, whatever the machine's
// user saved. Each test runs in a process of its own.
void factoryAmsynth(const Scratch& scratch) {
    const std::string home = scratch.path("home");
    std::filesystem::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
}

// Each note's pitch, measured 0.15 s into it, must match its key.
void expectNotePitches(const Audio& audio, double tolerance) {
    const std::vector<float> mono = audio.mono();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("key " + std::to_string(kKeys[i]));
        const auto from = static_cast<std::size_t>((0.8 * i + 0.15) * audio.rate);
        const double hz = estimatePitch(mono, audio.rate, from, static_cast<std::size_t>(0.2 * audio.rate));
        EXPECT_NEAR(hz / noteHz(kKeys[i]), 1.0, tolerance) << hz << " Hz";
    }
}

std::vector<float> renderWithBlock(const std::string& plugin, const Scratch& scratch, int block) {
    const std::string in = scratch.write("notes.mid", threeNotes(false));
    const std::string out = scratch.path("b" + std::to_string(block) + ".wav");
    const CommandRun run = render({"--plugin", plugin, "--block", std::to_string(block), "--format", "wav32f",
                            "--tail", "0", "-o", out, in});
    EXPECT_EQ(run.status, 0) << run.err;
    return readAudio(out).samples;
}

std::vector<float> leftChannel(const std::vector<float>& stereo) {
    std::vector<float> left;
    for (std::size_t i = 0; i < stereo.size(); i += 2) left.push_back(stereo[i]);
    return left;
}

// The host side, checked on an instrument that logs what it receives ------

TEST(RenderHost, EventsArriveAtTheirFramesWhateverTheBlockSize) {
    midi::MidiFile piece;
    midi::MidiError error;
    ASSERT_TRUE(midi::parseMidi(threeNotes(), piece, error));
    std::vector<float> first;
    for (int block : {1, 64, 441, 512, 4096}) {
        SCOPED_TRACE("block " + std::to_string(block));
        std::string why;
        auto plugin = host::HostedPlugin::load(FAKE_INSTRUMENT, why);
        ASSERT_TRUE(plugin) << why;
        std::vector<float> left;
        RenderSettings settings;
        settings.blockSize = block;
        settings.tailSeconds = 0.0;
        Renderer renderer(*plugin, settings);
        ASSERT_TRUE(renderer.run(
            piece,
            [&](const float* const* data, int, int frames) {
                left.insert(left.end(), data[0], data[0] + frames);
                return true;
            },
            {}, why));
        const FakeState& state = *static_cast<const FakeState*>(plugin->effect()->object);
        ASSERT_EQ(state.log.size(), 7u);  // six notes and one program change
        std::size_t note = 0;
        for (const FakeLogEntry& entry : state.log) {
            if (entry.program >= 0) {
                // The program call comes before the block that holds its time.
                EXPECT_EQ(entry.program, 1);
                EXPECT_EQ(entry.frame, 44100 / block * block);
                continue;
            }
            const midi::MidiEvent& expected = piece.events[note < 3 ? note : note + 1];
            EXPECT_EQ(entry.frame, std::llround(expected.seconds * 44100));
            EXPECT_GE(entry.deltaFrames, 0);
            EXPECT_LT(entry.deltaFrames, block);
            EXPECT_EQ(entry.status, expected.status);
            EXPECT_EQ(entry.data1, expected.data1);
            ++note;
        }
        for (int size : state.blockSizes) EXPECT_LE(size, block);
        EXPECT_EQ(renderer.stats().frames, 105840);
        EXPECT_EQ(renderer.stats().programChanges, 1);
        if (first.empty()) first = left;
        EXPECT_EQ(left, first);
    }
}

TEST(RenderHost, FileHasTheRightLengthRateAndPitches) {
    Scratch scratch;
    const std::string in = scratch.write("notes.mid", threeNotes());
    for (int rate : {44100, 48000, 22050}) {
        SCOPED_TRACE("rate " + std::to_string(rate));
        const std::string out = scratch.path("notes" + std::to_string(rate) + ".wav");
        const CommandRun run = render({"--plugin", FAKE_INSTRUMENT, "--rate", std::to_string(rate), "--tail", "0",
                                "-o", out, in});
        ASSERT_EQ(run.status, 0) << run.err;
        const Audio audio = readAudio(out);
        EXPECT_EQ(audio.rate, rate);
        EXPECT_EQ(audio.channels, 2);
        EXPECT_EQ(audio.frames, static_cast<std::int64_t>(2.4 * rate));
        EXPECT_EQ(audio.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
        expectNotePitches(audio, 0.005);
        EXPECT_NE(run.out.find("2.40 s at " + std::to_string(rate) + " Hz"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("peak -6.0 dBFS"), std::string::npos) << run.out;
    }
}

TEST(RenderHost, FormatsAndThePlot) {
    Scratch scratch;
    const std::string in = scratch.write("notes.mid", threeNotes());
    const struct {
        const char* format;
        const char* name;
        int sndfile;
    } cases[] = {{"wav16", "a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                 {"wav32f", "b.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                 {"flac", "c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}};
    for (const auto& c : cases) {
        const CommandRun run = render({"--plugin", FAKE_INSTRUMENT, "--format", c.format, "--tail", "0", "-o",
                                scratch.path(c.name), in});
        ASSERT_EQ(run.status, 0) << run.err;
        const Audio audio = readAudio(scratch.path(c.name));
        EXPECT_EQ(audio.format, c.sndfile) << c.format;
        EXPECT_NEAR(peakOf(audio.samples), 0.5f, 0.001f) << c.format;
    }
    // A .flac name alone chooses FLAC; the plot is a PNG beside it.
    const CommandRun run = render({"--plugin", FAKE_INSTRUMENT, "--tail", "0", "-o", scratch.path("d.flac"),
                            "--plot", scratch.path("d.png"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readAudio(scratch.path("d.flac")).format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    std::ifstream png(scratch.path("d.png"), std::ios::binary);
    char magic[8] = {};
    png.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"a.wav", "b.wav", "c.flac", "d.flac", "d.png", "notes.mid"}));
}

TEST(RenderHost, ProgramAndParameterNamesIgnoreBlanksAndCase) {
    Scratch scratch;
    const std::string in = scratch.write("notes.mid", threeNotes());
    const CommandRun listed = render({"--plugin", FAKE_INSTRUMENT, "--list-programs", "--list-params"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("   1  Second Program\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("   0  Gain  Level"), std::string::npos) << listed.out;
    EXPECT_EQ(render({"--plugin", FAKE_INSTRUMENT, "--program", "secondprogram", "--param", "GAINLEVEL=0.25",
                      "--tail", "0", "-o", scratch.path("x.wav"), in}).status, 0);
}

TEST(RenderHost, NonFiniteOutputIsWrittenAsSilenceAndReported) {
    Scratch scratch;
    midi::MidiWriter w(0, 480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 0, 100);
    w.noteOn(t, 480, 0, 69, 100);
    w.endAt(t, 960);
    const std::string in = scratch.write("nan.mid", w.bytes());
    const CommandRun run = render({"--plugin", FAKE_INSTRUMENT, "--tail", "0", "--format", "wav32f", "-o",
                                   scratch.path("nan.wav"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("; 44100 non-finite samples written as silence"), std::string::npos) << run.out;
    const Audio audio = readAudio(scratch.path("nan.wav"));
    EXPECT_TRUE(allFinite(audio.samples));
    EXPECT_EQ(peakOf({audio.samples.begin(), audio.samples.begin() + 2 * 22050}), 0.0f);
    EXPECT_NEAR(peakOf(audio.samples), 0.5f, 1e-4f);
}

// Errors: one line, a non-zero status, and nothing left behind ------------

TEST(RenderErrors, BadInputLeavesNoFiles) {
    Scratch scratch;
    const std::string good = scratch.write("good.mid", threeNotes());
    std::vector<std::uint8_t> cut = threeNotes();
    cut.resize(cut.size() - 7);
    const std::string truncated = scratch.write("cut.mid", cut);
    const std::string out = scratch.path("out.wav");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, scratch.path("missing.mid")}, 1, scratch.path("missing.mid") + ": No such file"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, truncated}, 1, truncated + ": byte 37: track 2 claims 38 bytes, only 31 remain"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, "--loud", good}, 2, "unknown option --loud"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, "--program", "Nope", good}, 1, "no program named \"Nope\""},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, "--program", "2", good}, 1, "program 2 does not exist"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, "--param", "Volume=0.5", good}, 1, "no parameter named \"Volume\""},
        {{"--plugin", FAKE_INSTRUMENT, "-o", out, "--param", "Gain Level=2", good}, 1, "not a number from 0 to 1"},
        {{"--plugin", FAKE_EFFECT, "-o", out, good}, 1, "not a VST 2 instrument"},
        {{"--plugin", "/lib/x86_64-linux-gnu/libm.so.6", "-o", out, good}, 1, "is not a VST 2 plug-in"},
        {{"--plugin", scratch.path("none.so"), "-o", out, good}, 1, "cannot load"},
        {{"-o", out, good}, 1, "/nonexistent/Strellon.so"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", scratch.path("no/such/dir.wav"), good}, 1, "cannot write"},
        {{"--plugin", FAKE_INSTRUMENT, "-o", good, good}, 1, "would overwrite the MIDI file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const CommandRun run = render(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind("strellon-render: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(scratch.files(), (std::vector<std::string>{"cut.mid", "good.mid"}));
    }
}

TEST(RenderErrors, AStoppedRenderLeavesNoFiles) {
    Scratch scratch;
    const std::string in = scratch.write("notes.mid", threeNotes());
    std::atomic<bool> stop{true};
    CommandContext context;
    context.stop = &stop;
    std::ostringstream out, err;
    EXPECT_EQ(runRenderCommand({"--plugin", FAKE_INSTRUMENT, "-o", scratch.path("x.wav"), "--plot",
                                scratch.path("x.png"), in},
                               out, err, context),
              1);
    EXPECT_EQ(err.str(), "strellon-render: stopped\n");
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"notes.mid"}));
}

// A third-party instrument: our host must be a correct VST 2 host ----------

TEST(RenderAmsynth, AudibleFiniteAndInTune) {
    if (!have(kAmsynth)) GTEST_SKIP() << "amsynth is not installed";
    Scratch scratch;
    factoryAmsynth(scratch);
    const std::string in = scratch.write("notes.mid", threeNotes());
    const CommandRun run = render({"--plugin", kAmsynth, "--tail", "0", "--format", "wav32f", "-o",
                            scratch.path("a.wav"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio audio = readAudio(scratch.path("a.wav"));
    EXPECT_EQ(audio.frames, 105840);
    EXPECT_TRUE(allFinite(audio.samples));
    EXPECT_GT(peakOf(audio.samples), 0.05f);
    expectNotePitches(audio, 0.01);
}

TEST(RenderAmsynth, TheDemoPlays) {
    if (!have(kAmsynth)) GTEST_SKIP() << "amsynth is not installed";
    Scratch scratch;
    const CommandRun run = render({"--plugin", kAmsynth, "--tail", "1", "-o", scratch.path("demo.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio audio = readAudio(scratch.path("demo.wav"));
    EXPECT_GE(audio.frames, 30 * 44100);
    EXPECT_LE(audio.frames, 61 * 44100);
    EXPECT_GT(peakOf(audio.samples), 0.05f);
}

// amsynth moves an event to the edge of its own internal processing slice,
// so where a note lands can shift by a few samples with the host's block
// size; the notes themselves (pitch, level) must not change.
TEST(RenderAmsynth, BlockSizeChangesNoNote) {
    if (!have(kAmsynth)) GTEST_SKIP() << "amsynth is not installed";
    Scratch scratch;
    factoryAmsynth(scratch);
    const std::vector<float> reference = renderWithBlock(kAmsynth, scratch, 512);
    for (int block : {64, 1000}) {
        SCOPED_TRACE("block " + std::to_string(block));
        const std::vector<float> other = renderWithBlock(kAmsynth, scratch, block);
        ASSERT_EQ(other.size(), reference.size());
        const std::vector<float> left = leftChannel(reference), otherLeft = leftChannel(other);
        for (int i = 0; i < 3; ++i) {
            const auto from = static_cast<std::size_t>((0.8 * i + 0.1) * 44100);
            const std::vector<float> a(left.begin() + from, left.begin() + from + 17640);
            const std::vector<float> b(otherLeft.begin() + from, otherLeft.begin() + from + 17640);
            EXPECT_NEAR(rmsOf(a) / rmsOf(b), 1.0, 0.05);
            EXPECT_NEAR(estimatePitch(a, 44100, 0, 8820) / estimatePitch(b, 44100, 0, 8820), 1.0, 0.005);
        }
    }
}

// Our own instrument ---------------------------------------------------------

TEST(RenderStrellon, LengthRateAndBlockSizeIndependence) {
    if (!have(STRELLON_PLUGIN)) GTEST_SKIP() << "Strellon.so is not built";
    Scratch scratch;
    const std::vector<float> reference = renderWithBlock(STRELLON_PLUGIN, scratch, 512);
    EXPECT_EQ(reference.size(), 2u * 105840);
    EXPECT_TRUE(allFinite(reference));
    for (int block : {1, 64, 1000}) EXPECT_EQ(renderWithBlock(STRELLON_PLUGIN, scratch, block), reference) << block;
}

TEST(RenderStrellon, InTuneOnceItSounds) {
    if (!have(STRELLON_PLUGIN)) GTEST_SKIP() << "Strellon.so is not built";
    Scratch scratch;
    const std::string in = scratch.write("notes.mid", threeNotes(false));
    // Drift and self-bend off: this measures the tuning, not the effects.
    const CommandRun run = render({"--plugin", STRELLON_PLUGIN, "--rate", "48000", "--tail", "0",
                                   "--program", "celtic harp", "--param", "selfbend=0", "--param",
                                   "MODULATION=0", "-o", scratch.path("s.wav"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio audio = readAudio(scratch.path("s.wav"));
    EXPECT_EQ(audio.rate, 48000);
    EXPECT_EQ(audio.frames, 115200);
    if (peakOf(audio.samples) < 1e-3f) GTEST_SKIP() << "the instrument is silent so far";
    expectNotePitches(audio, 0.01);
}

}  // namespace
}  // namespace strellon::render::testing
