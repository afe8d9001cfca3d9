#include "engine/MidiIntake.h"

namespace strellon {

void MidiIntake::clear() {
    count_ = 0;
    queue_[0] = {-1, 0, 0, 0.0f};
    deferredCount_ = 0;
}

void MidiIntake::begin() {
    count_ = 0;
    queue_[0] = {-1, 0, 0, 0.0f};
    onKey_ = offKey_ = 0;
    velocity_ = 0.0f;
}

// The last slot always holds the terminator; what does not fit is dropped.
bool MidiIntake::append(const NoteEvent& e) {
    if (count_ >= kQueueSize - 1) return false;
    queue_[count_++] = e;
    queue_[count_].delta = -1;
    return true;
}

bool MidiIntake::add(int delta, unsigned char status, unsigned char data1, unsigned char data2, bool dampOn,
                     int blockSize) {
    const int key = data1 & 0x7F;
    const int value = data2 & 0x7F;
    switch (status & 0xF0) {
    case 0x90:
        if (value > 0) {
            const float velocity = value * 0.007874016f;
            append({delta, key, offKey_, velocity});
            onKey_ = key;
            velocity_ = velocity;
            return true;
        }
        [[fallthrough]];
    case 0x80:
        append({delta, onKey_, key, 0.0f});
        offKey_ = key;
        velocity_ = 0.0f;
        return false;
    case 0xB0:
        if (data1 >= 120 && data1 <= 127) {
            velocity_ = 0.0f;
        } else if (data1 == 7) {
            volumeFactor_ = value / 128.0f;
        } else if (data1 == 9) {
            fixingFactor_ = value / 128.0f;
        } else if (data1 == 1) {
            // The factor is single precision but the product is taken in
            // double: 127 must give step 27, not 28.
            const int step = static_cast<int>(static_cast<double>(value) * static_cast<double>(0.22047244f));
            if (step != lastGlissandoStep_) {
                const int note = tables_.glissando(step) + 48;
                append({delta, note, offKey_, 0.19f});
                if (dampOn) {
                    // With Damp the glissando note ends one block later; it
                    // is carried to that sample instead of standing in this
                    // block's queue, where it could never be reached.
                    long long due = static_cast<long long>(delta) + blockSize - 2;
                    if (due <= delta) due = static_cast<long long>(delta) + 1;
                    if (due < 0) due = 0;
                    if (due > (1 << 30)) due = 1 << 30;
                    if (deferredCount_ < kMaxDeferred) deferred_[deferredCount_++] = {static_cast<int>(due), note};
                } else {
                    append({delta, note, note, 0.0f});
                }
                onKey_ = note;
                offKey_ = note;
                velocity_ = 0.0f;
            }
            lastGlissandoStep_ = step;
        }
        return false;
    case 0xE0:
        append({delta, onKey_, offKey_, velocity_});
        return false;
    default:
        return false;
    }
}

void MidiIntake::finishBlock(int frames) {
    if (frames < 0) frames = 0;
    int kept = 0;
    for (int d = 0; d < deferredCount_; ++d) {
        Deferred e = deferred_[d];
        if (e.due >= 0 && e.due < frames) continue;  // carried out in this block
        e.due -= frames;
        deferred_[kept++] = e;
    }
    deferredCount_ = kept;
}

}  // namespace strellon
