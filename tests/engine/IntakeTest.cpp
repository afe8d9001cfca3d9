// MIDI intake: what each message puts into the queue.
#include <gtest/gtest.h>

#include "engine/MidiIntake.h"

namespace strellon {
namespace {

void expectEntry(const NoteEvent& e, int delta, int on, int off, float velocity) {
    EXPECT_EQ(e.delta, delta);
    EXPECT_EQ(e.onKey, on);
    EXPECT_EQ(e.offKey, off);
    EXPECT_FLOAT_EQ(e.velocity, velocity);
}

// No carried note-off will fall due, however late.
bool noneCarried(const MidiIntake& in) { return in.nextDue(-1) == 0x7FFFFFFF; }

TEST(MidiIntake, NotesSnapshotTheRegisters) {
    MidiIntake in;
    in.begin();
    EXPECT_TRUE(in.add(10, 0x90, 60, 127, false, 512));
    EXPECT_FALSE(in.add(20, 0x93, 60, 0, false, 512));  // velocity 0 is a note-off, any channel
    EXPECT_FALSE(in.add(30, 0x8F, 62, 64, false, 512));
    in.end();
    ASSERT_EQ(in.count(), 3);
    expectEntry(in.queue()[0], 10, 60, 0, 1.0f);
    expectEntry(in.queue()[1], 20, 60, 60, 0.0f);
    expectEntry(in.queue()[2], 30, 60, 62, 0.0f);
    EXPECT_EQ(in.queue()[3].delta, -1);
}

TEST(MidiIntake, PitchBendRepeatsTheRegisters) {
    MidiIntake in;
    in.begin();
    in.add(0, 0xE0, 0, 64, false, 512);  // nothing before it: both keys 0
    in.add(5, 0x90, 64, 100, false, 512);
    in.add(6, 0xE0, 0, 70, false, 512);  // re-plucks 64
    in.add(7, 0xB0, 123, 0, false, 512);
    in.add(8, 0xE0, 0, 70, false, 512);  // now a note-off
    in.end();
    ASSERT_EQ(in.count(), 4);
    expectEntry(in.queue()[0], 0, 0, 0, 0.0f);
    expectEntry(in.queue()[2], 6, 64, 0, 100 * 0.007874016f);
    expectEntry(in.queue()[3], 8, 64, 0, 0.0f);
}

TEST(MidiIntake, VolumeAndFixingControllers) {
    MidiIntake in;
    EXPECT_FLOAT_EQ(in.volumeFactor(), 1.0f);
    EXPECT_FLOAT_EQ(in.fixingFactor(), 1.0f);
    in.begin();
    in.add(0, 0xB0, 7, 127, false, 512);
    in.add(0, 0xB5, 9, 64, false, 512);
    in.add(0, 0xB0, 10, 1, false, 512);  // other controllers do nothing
    in.add(0, 0xA0, 60, 1, false, 512);  // nor does aftertouch
    in.add(0, 0xC0, 3, 0, false, 512);   // nor a program change
    in.end();
    EXPECT_EQ(in.count(), 0);
    EXPECT_FLOAT_EQ(in.volumeFactor(), 0.9921875f);
    EXPECT_FLOAT_EQ(in.fixingFactor(), 0.5f);
}

TEST(MidiIntake, GlissandoStepsAndRepeats) {
    MidiIntake in;
    in.begin();
    in.add(3, 0xB0, 1, 127, false, 512);
    in.add(4, 0xB0, 1, 125, false, 512);  // same step 27: nothing
    in.add(5, 0xB0, 1, 4, false, 512);    // step 0: back to note 48
    in.end();
    ASSERT_EQ(in.count(), 4);
    expectEntry(in.queue()[0], 3, 95, 0, 0.19f);
    expectEntry(in.queue()[1], 3, 95, 95, 0.0f);
    expectEntry(in.queue()[2], 5, 48, 95, 0.19f);
    expectEntry(in.queue()[3], 5, 48, 48, 0.0f);
}

TEST(MidiIntake, GlissandoWithDampCarriesItsNoteOffToTheNextBlock) {
    MidiIntake in;
    in.begin();
    in.add(10, 0xB0, 1, 64, true, 512);  // step 14: note 72
    in.add(20, 0x90, 60, 100, true, 512);
    in.end();
    // The queue holds the two note-ons in order, nothing out of order.
    ASSERT_EQ(in.count(), 2);
    expectEntry(in.queue()[0], 10, 72, 0, 0.19f);
    expectEntry(in.queue()[1], 20, 60, 72, 100 * 0.007874016f);
    ASSERT_EQ(in.nextDue(-1), 520);  // 10 + 512 - 2, the only one carried

    int carried = -1, at = -1;
    for (int i = 0; i < 512; ++i) in.takeDue(i, [&](int key) { carried = key; });
    EXPECT_EQ(carried, -1);
    in.finishBlock(512);
    for (int i = 0; i < 512; ++i) in.takeDue(i, [&](int key) { carried = key, at = i; });
    EXPECT_EQ(carried, 72);
    EXPECT_EQ(at, 8);  // 10 + 512 - 2, one block on
    in.finishBlock(512);
    EXPECT_TRUE(noneCarried(in));
}

TEST(MidiIntake, OverlongListsStopAtTheLastEntry) {
    MidiIntake in;
    in.begin();
    for (int i = 0; i < 3000; ++i) in.add(i % 512, 0x90, 60 + i % 12, 90, false, 512);
    in.end();
    EXPECT_EQ(in.count(), MidiIntake::kQueueSize - 1);
    EXPECT_EQ(in.queue()[MidiIntake::kQueueSize - 1].delta, -1);
}

TEST(MidiIntake, ClearEmptiesQueueAndCarriedNoteOffs) {
    MidiIntake in;
    in.begin();
    in.add(0, 0x90, 60, 100, false, 512);
    in.add(0, 0xB0, 1, 64, true, 512);
    in.end();
    in.clear();
    EXPECT_EQ(in.queue()[0].delta, -1);
    EXPECT_TRUE(noneCarried(in));
}

}  // namespace
}  // namespace strellon
