// MIDI lists and audio blocks as a host hands them over: the order in which
// queued events are carried out, what pitch bend and the all-notes
// controllers do, controllers that act at once, and what the sample rate
// and block calls change.
#include <array>
#include <cstring>

#include "Conformance.h"
#include "instrument/Instrument.h"
#include "tests/sound/Player.h"

namespace strellon::conformance {
namespace {

using Messages = std::initializer_list<std::array<int, 4>>;  // delta, status, data1, data2

// One block of `frames` with the given messages, then `tail` empty blocks.
Stereo perform(host::HostedPlugin& plugin, Messages first, int frames = 512, int tail = 20) {
    std::vector<Block> blocks(1 + tail);
    for (auto& m : first)
        blocks[0].events.add(m[0], static_cast<unsigned char>(m[1]), static_cast<unsigned char>(m[2]),
                             static_cast<unsigned char>(m[3]));
    for (Block& b : blocks) b.frames = frames;
    return play(plugin, blocks);
}

Stereo performFresh(Messages first, std::initializer_list<std::pair<int, float>> values = {},
                    int frames = 512, int tail = 20) {
    auto plugin = started(values, frames);
    if (!plugin) return {};
    return perform(*plugin, first, frames, tail);
}

TEST(Queue, AnEntryEarlierThanTheOneBeforeItStopsTheWalk) {
    const Stereo alone = performFresh({{100, 0x90, 62, 100}});
    const Stereo outOfOrder = performFresh({{100, 0x90, 62, 100}, {50, 0x90, 65, 100}, {200, 0x90, 67, 100}});
    const Stereo inOrder = performFresh({{100, 0x90, 62, 100}, {200, 0x90, 67, 100}});
    ASSERT_GT(alone.peak(), 0.01);
    EXPECT_EQ(outOfOrder.firstDifference(alone), alone.left.size());
    EXPECT_LT(inOrder.firstDifference(alone), alone.left.size());
}

TEST(Queue, AnEntryBeyondTheBlockIsComparedAgainInTheNextBlock) {
    // No new list before the second block: the waiting entry is still
    // there and falls due at its delta within the longer block.
    auto waiting = started();
    ASSERT_TRUE(waiting);
    std::vector<Block> blocks(3);
    blocks[0].events.add(600, 0x90, 62, 100);
    blocks[1].frames = 1024;
    blocks[1].send = false;
    blocks[2].frames = 8192;
    blocks[2].send = false;
    const Stereo late = play(*waiting, blocks);
    EXPECT_TRUE(late.silentFrom(0, 512 + 600));
    EXPECT_GT(late.peak(512 + 600, 512 + 1024), 0.0);

    // The same note sent with the second block's own list.
    auto direct = started();
    ASSERT_TRUE(direct);
    std::vector<Block> same(3);
    same[1].events.add(600, 0x90, 62, 100);
    same[1].frames = 1024;
    same[2].frames = 8192;
    const Stereo expected = play(*direct, same);
    EXPECT_EQ(late.firstDifference(expected), expected.left.size());
}

TEST(Queue, ResumeEmptiesIt) {
    auto plugin = started();
    ASSERT_TRUE(plugin);
    host::MidiEventList events;
    events.add(10, 0x90, 62, 100);
    plugin->sendEvents(events.get());
    plugin->dispatch(vst2::effMainsChanged, 0, 1);
    std::vector<Block> blocks(8);
    for (Block& b : blocks) b.send = false;
    EXPECT_TRUE(play(*plugin, blocks).silentFrom(0, 8 * 512));
}

TEST(Queue, HostEventRecordsAreNeverWritten) {
    auto plugin = started({{kDamp, 0.7f}});
    ASSERT_TRUE(plugin);
    host::MidiEventList events;
    events.add(0, 0xB0, 1, 127);
    events.add(1, 0x90, 60, 100);
    events.add(300, 0xB0, 1, 3);
    events.add(400, 0xE0, 0, 64);
    const vst2::VstEvents* list = events.get();
    std::vector<vst2::VstMidiEvent> before;
    for (int i = 0; i < list->numEvents; ++i)
        before.push_back(*reinterpret_cast<const vst2::VstMidiEvent*>(list->events[i]));
    plugin->sendEvents(list);
    for (int i = 0; i < list->numEvents; ++i)
        EXPECT_EQ(std::memcmp(&before[i], list->events[i], sizeof(vst2::VstMidiEvent)), 0) << i;
}

TEST(PitchBend, RepeatsTheLastNoteOnOfItsList) {
    const Messages note = {{0, 0x90, 62, 100}};
    const Stereo plain = performFresh(note, {}, 4096, 4);
    const Stereo bent = performFresh({{0, 0x90, 62, 100}, {3000, 0xE3, 0, 90}}, {}, 4096, 4);
    const std::size_t at = bent.firstDifference(plain);
    EXPECT_GE(at, 3000u);
    EXPECT_LT(at, 3400u);
}

TEST(PitchBend, AfterAnAllNotesControllerItRepeatsNoNote) {
    // The bend becomes a note-off of the note-off register (0 here), which
    // no voice plays, with Damp or without.
    auto expectUnchanged = [](int controller, float damp) {
        SCOPED_TRACE(controller);
        const Stereo plain = performFresh({{0, 0x90, 62, 100}}, {{kDamp, damp}}, 4096, 4);
        const Stereo bent = performFresh({{0, 0x90, 62, 100}, {2000, 0xB0, controller, 0}, {3000, 0xE0, 0, 90}},
                                         {{kDamp, damp}}, 4096, 4);
        EXPECT_EQ(bent.firstDifference(plain), plain.left.size());
    };
    for (int controller = 120; controller <= 127; ++controller) expectUnchanged(controller, 0.0f);
    expectUnchanged(123, 0.8f);
}

TEST(PitchBend, InALaterListItIsNothing) {
    auto plugin = started();
    ASSERT_TRUE(plugin);
    std::vector<Block> blocks(12);
    blocks[0].events.add(0, 0x90, 62, 100);
    blocks[1].events.add(100, 0xE0, 0, 64);
    const Stereo bent = play(*plugin, blocks);
    const Stereo plain = performFresh({{0, 0x90, 62, 100}}, {}, 512, 11);
    EXPECT_EQ(bent.firstDifference(plain), plain.left.size());
}

TEST(Controllers, VolumeAndFixingActOnTheWholeList) {
    // Applied when the list arrives, so a note earlier in the same list
    // already hears them.
    const Stereo fixingLater = performFresh({{0, 0x90, 64, 100}, {400, 0xB0, 9, 0}});
    const Stereo fixingFirst = performFresh({{0, 0xB0, 9, 0}, {0, 0x90, 64, 100}});
    EXPECT_EQ(fixingLater.firstDifference(fixingFirst), fixingFirst.left.size());
    const Stereo volumeLater = performFresh({{0, 0x90, 64, 100}, {400, 0xB0, 7, 64}});
    const Stereo volumeFirst = performFresh({{0, 0xB0, 7, 64}, {0, 0x90, 64, 100}});
    EXPECT_EQ(volumeLater.firstDifference(volumeFirst), volumeFirst.left.size());
    EXPECT_LT(volumeLater.firstDifference(performFresh({{0, 0x90, 64, 100}})), 400u);
}

TEST(Notes, KeyZeroFirstInItsListIsTakenForNothing) {
    // Both keys of the entry are 0, which marks an empty entry.
    EXPECT_TRUE(performFresh({{10, 0x90, 0, 100}}, {}, 512, 40).silentFrom(0, 41 * 512));
    // After a note-off of another key the same note-on carries that key
    // as its off key and is played.
    EXPECT_GT(performFresh({{0, 0x80, 5, 0}, {10, 0x90, 0, 100}}, {}, 512, 40).peak(), 0.0);
}

TEST(Blocks, AnEmptyBlockStillPreparesTheVoices) {
    // Self-bend reaches the voices at block preparation only while it is
    // not 0; a block of no frames prepares too.
    auto prepared = started({{kSelfBend, 0.9f}, {kSympathetic, 0.0f}});
    auto plain = started({{kSelfBend, 0.9f}, {kSympathetic, 0.0f}});
    ASSERT_TRUE(prepared && plain);
    float left[1], right[1];
    float* outputs[2] = {left, right};
    prepared->processReplacing(outputs, 0);
    prepared->setParameter(kSelfBend, 0.0f);
    plain->setParameter(kSelfBend, 0.0f);
    const Stereo a = perform(*prepared, {{0, 0x90, 57, 127}}, 512, 30);
    const Stereo b = perform(*plain, {{0, 0x90, 57, 127}}, 512, 30);
    EXPECT_LT(a.firstDifference(b), a.left.size());
}

// The period in samples of an A4 played now, near `expected` samples.
// Messages at absolute sample positions, spread over 512-sample blocks.
Stereo performAt(std::vector<std::array<int, 4>> messages, std::initializer_list<std::pair<int, float>> values,
                 int blocks) {
    auto plugin = started(values);
    if (!plugin) return {};
    std::vector<Block> list(blocks);
    for (auto& m : messages)
        list[m[0] / 512].events.add(m[0] % 512, static_cast<unsigned char>(m[1]), static_cast<unsigned char>(m[2]),
                                    static_cast<unsigned char>(m[3]));
    return play(*plugin, list);
}

TEST(Voices, WithEveryVoiceBusyTheNextNoteTakesVoiceOneFirst) {
    // Twelve notes, spaced so that each string is loud before the next
    // comes; a thirteenth then takes a voice by rotation. Releasing with
    // Damp shows which voice it took: the key it replaced no longer has a
    // voice to damp.
    std::vector<std::array<int, 4>> busy;
    for (int k = 0; k < 12; ++k) busy.push_back({300 * k, 0x90, 60 + k, 100});
    busy.push_back({3800, 0x90, 80, 100});
    const std::initializer_list<std::pair<int, float>> values = {{kDamp, 0.5f}, {kSympathetic, 0.0f}};
    auto with = [&](int releasedKey) {
        auto messages = busy;
        messages.push_back({4200, 0x80, releasedKey, 0});
        return performAt(messages, values, 24);
    };
    const Stereo none = performAt(busy, values, 24);
    EXPECT_EQ(with(61).firstDifference(none), none.left.size());  // 61's voice now plays 80
    EXPECT_LT(with(60).firstDifference(none), none.left.size());
    EXPECT_LT(with(62).firstDifference(none), none.left.size());
    EXPECT_LT(with(80).firstDifference(none), none.left.size());
}

double periodOfA440(host::HostedPlugin& plugin, double expected) {
    plugin.setParameter(kChorus, 0.0f);
    plugin.setParameter(kSympathetic, 0.0f);
    sound::Stereo s;
    s.left = perform(plugin, {{0, 0x90, 69, 110}}, 512, 60).left;
    s.rate = 44100.0f;
    return s.rate / s.pitch(0.2, 0.25, s.rate / expected);
}

TEST(SampleRate, TheCombinedCallRetunesOnlyAtResume) {
    auto stored = started();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->dispatch(vst2::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 88200.0f), 1);
    EXPECT_NEAR(periodOfA440(*stored, 44100.0 / 440.0), 44100.0 / 440.0, 0.5);

    auto resumed = started();
    ASSERT_TRUE(resumed);
    resumed->dispatch(vst2::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 88200.0f);
    resumed->dispatch(vst2::effMainsChanged, 0, 1);
    EXPECT_NEAR(periodOfA440(*resumed, 88200.0 / 440.0), 88200.0 / 440.0, 1.0);
}

// The sounding flags have no opcode; an instrument built into the test is
// driven through its own effect record and asked directly.
class Flags : public ::testing::Test {
protected:
    void SetUp() override {
        effect = instrument.getAeffect();
        call(vst2::effSetSampleRate, 0, 0, 44100.0f);
        call(vst2::effSetBlockSize, 0, 512);
        call(vst2::effMainsChanged, 0, 1);
    }
    vst2::intptr call(vst2::int32 op, vst2::int32 index, vst2::intptr value, float opt = 0.0f,
                      void* ptr = nullptr) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
    void block(Messages messages, int frames = 512) {
        host::MidiEventList list;
        for (auto& m : messages)
            list.add(m[0], static_cast<unsigned char>(m[1]), static_cast<unsigned char>(m[2]),
                     static_cast<unsigned char>(m[3]));
        call(vst2::effProcessEvents, 0, 0, 0.0f, const_cast<vst2::VstEvents*>(list.get()));
        std::vector<float> l(frames), r(frames);
        float* outputs[2] = {l.data(), r.data()};
        effect->processReplacing(effect, nullptr, outputs, frames);
    }
    std::vector<int> sounding() {
        std::vector<int> flags;
        for (int k = 0; k < 12; ++k) flags.push_back(instrument.getStringActive(k));
        return flags;
    }
    Instrument instrument{nullptr};
    vst2::AEffect* effect = nullptr;
};

TEST_F(Flags, TheWalkStopsAtAnEarlierDelta) {
    block({{100, 0x90, 62, 100}, {50, 0x90, 65, 100}, {200, 0x90, 67, 100}});
    EXPECT_EQ(sounding(), (std::vector<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    block({});  // nothing new: the marked first entry stops the walk
    EXPECT_EQ(sounding(), (std::vector<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Flags, AnEntryBeyondTheBlockHoldsBackTheOnesAfterIt) {
    block({{600, 0x90, 62, 100}, {10, 0x90, 65, 100}});
    EXPECT_EQ(sounding(), std::vector<int>(12, 0));
    // No new list: the waiting entry falls due in a longer block, the one
    // after it is earlier and is never reached.
    std::vector<float> l(1024), r(1024);
    float* outputs[2] = {l.data(), r.data()};
    effect->processReplacing(effect, nullptr, outputs, 1024);
    EXPECT_EQ(sounding(), (std::vector<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Flags, AReleaseOfKeyZeroFirstInItsListIsNothing) {
    block({{0, 0x90, 60, 100}});
    block({{0, 0x80, 0, 0}});  // both keys of the entry are 0: an empty entry
    EXPECT_EQ(instrument.getStringActive(0), 1);
    block({{0, 0x80, 12, 0}});
    EXPECT_EQ(instrument.getStringActive(0), 0);
}

TEST_F(Flags, EqualDeltasAreAllCarriedOut) {
    block({{7, 0x90, 60, 100}, {7, 0x91, 64, 100}, {7, 0x9F, 67, 100}});
    EXPECT_EQ(sounding(), (std::vector<int>{1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0}));
}

TEST_F(Flags, BendAfterAnAllNotesControllerReleasesTheOffRegister) {
    block({{0, 0x90, 60, 100}, {1, 0x90, 62, 100}, {2, 0xB0, 123, 0}, {3, 0xE0, 0, 64}});
    // The bend is a note-off of key 0: pitch class C goes quiet, D sounds on.
    EXPECT_EQ(instrument.getStringActive(0), 0);
    EXPECT_EQ(instrument.getStringActive(2), 1);
}

TEST_F(Flags, BendAfterANoteOffReleasesAgainAndAfterANoteOnSoundsAgain) {
    block({{0, 0x90, 62, 100}, {10, 0x80, 62, 0}, {20, 0xE0, 0, 64}});
    EXPECT_EQ(instrument.getStringActive(2), 0);
    block({{0, 0x90, 62, 100}, {10, 0x80, 62, 0}, {20, 0x90, 65, 90}, {30, 0xE0, 0, 64}});
    EXPECT_EQ(instrument.getStringActive(2), 0);
    EXPECT_EQ(instrument.getStringActive(5), 1);
}

TEST_F(Flags, GlissandoNotesEndWhereTheyStartWithoutDamp) {
    block({{0, 0xB0, 1, 127}, {40, 0xB0, 1, 30}});
    EXPECT_EQ(sounding(), std::vector<int>(12, 0));
    // The glissando note is in the registers: a bend after it releases it.
    block({{0, 0x90, 61, 100}, {5, 0xB0, 1, 64}, {6, 0xE0, 0, 64}});
    EXPECT_EQ(instrument.getStringActive(1), 1);
}

TEST_F(Flags, GlissandoStepsWalkTheCMajorScale) {
    // With Damp a glissando note sounds until one block on, so after each
    // block the flags show the note the controller value stepped to.
    instrument.setParameter(kDamp, 0.5f);
    const int scale[7] = {0, 2, 4, 5, 7, 9, 11};
    int last = 0;
    for (int value = 0; value < 128; ++value) {
        block({{5, 0xB0, 1, value}});  // its note-off falls at 5 + 512 - 2
        const int step = static_cast<int>(value * 0.22047244);  // 0-4 step 0, 5-9 step 1, ...
        std::vector<int> expected(12, 0);
        if (step != last) expected[scale[step % 7]] = 1;
        EXPECT_EQ(sounding(), expected) << value;
        last = step;
    }
    EXPECT_EQ(last, 27);
}

TEST_F(Flags, GlissandoNoteOffUsesTheBlockSizeStoredByTheCombinedCall) {
    instrument.setParameter(kDamp, 0.5f);
    call(vst2::effSetBlockSizeAndSampleRate, 0, 256, 44100.0f);
    block({{0, 0xB0, 1, 64}}, 300);  // note-off at 0 + 256 - 2, inside this block
    EXPECT_EQ(sounding(), std::vector<int>(12, 0));
}

TEST_F(Flags, ResumeLeavesThemAsTheyAre) {
    block({{0, 0x90, 64, 100}});
    call(vst2::effMainsChanged, 0, 0);
    call(vst2::effMainsChanged, 0, 1);
    EXPECT_EQ(instrument.getStringActive(4), 1);
}

}  // namespace
}  // namespace strellon::conformance
