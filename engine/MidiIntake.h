// Turns one block's MIDI messages into the sample-stamped event queue that
// the render loop walks, and applies controllers 7 and 9 at once.
#pragma once

#include <array>

#include "engine/EngineTables.h"

namespace strellon {

// One queue entry: a snapshot of the intake's three registers. Velocity
// above 0 is a note-on of onKey, otherwise a note-off of offKey; both keys
// 0 means nothing. delta -1 ends the queue and marks carried-out entries.
struct NoteEvent {
    int delta;
    int onKey;
    int offKey;
    float velocity;
};

class MidiIntake {
public:
    static constexpr int kQueueSize = 1024;
    static constexpr int kMaxDeferred = 256;

    MidiIntake() { clear(); }

    // Audio thread: start a new list (the previous queue is dropped).
    void begin();
    // Audio thread: one MIDI message. Returns true for a note-on (which wakes
    // the engine). dampOn and blockSize shape the glissando's note-off.
    bool add(int delta, unsigned char status, unsigned char data1, unsigned char data2, bool dampOn, int blockSize);
    // The queue is kept terminated after every append; end() is for symmetry.
    void end() { queue_[count_].delta = -1; }
    // Empties the queue and forgets carried note-offs (resume).
    void clear();

    NoteEvent* queue() { return queue_.data(); }
    const NoteEvent* queue() const { return queue_.data(); }
    int count() const { return count_; }

    float volumeFactor() const { return volumeFactor_; }
    float fixingFactor() const { return fixingFactor_; }

    // Glissando note-offs that belong to later samples than this block's
    // queue can hold in order; offsets count from the current block's start.
    // Calls fn(key) for each note-off due at sample i.
    template <class Fn>
    void takeDue(int i, Fn&& fn) {
        for (int d = 0; d < deferredCount_; ++d)
            if (deferred_[d].due == i) fn(deferred_[d].key);
    }
    // The first sample after i at which a note-off falls due (a large
    // number when none will).
    int nextDue(int i) const {
        int due = 0x7FFFFFFF;
        for (int d = 0; d < deferredCount_; ++d)
            if (deferred_[d].due > i && deferred_[d].due < due) due = deferred_[d].due;
        return due;
    }
    // After a block of the given length: drop the ones carried out, and
    // count the rest from the next block's start.
    void finishBlock(int frames);

private:
    bool append(const NoteEvent& e);

    struct Deferred {
        int due;
        int key;
    };

    std::array<NoteEvent, kQueueSize> queue_;
    int count_ = 0;
    int onKey_ = 0, offKey_ = 0;
    float velocity_ = 0.0f;
    int lastGlissandoStep_ = 0;
    float volumeFactor_ = 1.0f;
    float fixingFactor_ = 1.0f;
    std::array<Deferred, kMaxDeferred> deferred_;
    int deferredCount_ = 0;
    const EngineTables& tables_ = EngineTables::get();
};

}  // namespace strellon
