#include "host/midi/MidiWriter.h"

#include <algorithm>
#include <cstring>

namespace strellon::midi {

namespace {

void putBig(std::vector<std::uint8_t>& out, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putVarLen(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7Fu;
        value >>= 7;
    } while (value);
    while (n-- > 0) out.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80u : 0u)));
}

}  // namespace

MidiWriter::MidiWriter(int format, int division) : format_(format), division_(division) {}

int MidiWriter::addTrack() {
    tracks_.emplace_back();
    return static_cast<int>(tracks_.size()) - 1;
}

void MidiWriter::raw(int track, std::uint64_t tick, std::vector<std::uint8_t> bytes) {
    tracks_.at(track).events.push_back({tick, std::move(bytes)});
}

void MidiWriter::channel(int track, std::uint64_t tick, int status, int channel, int data1,
                         int data2) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(status | (channel & 0x0F)),
                                    static_cast<std::uint8_t>(data1 & 0x7F)};
    if (data2 >= 0) bytes.push_back(static_cast<std::uint8_t>(data2 & 0x7F));
    raw(track, tick, std::move(bytes));
}

void MidiWriter::noteOn(int track, std::uint64_t tick, int ch, int key, int velocity) {
    channel(track, tick, 0x90, ch, key, velocity);
}

void MidiWriter::noteOff(int track, std::uint64_t tick, int ch, int key) {
    channel(track, tick, 0x80, ch, key, 0);
}

void MidiWriter::control(int track, std::uint64_t tick, int ch, int controller, int value) {
    channel(track, tick, 0xB0, ch, controller, value);
}

void MidiWriter::program(int track, std::uint64_t tick, int ch, int number) {
    channel(track, tick, 0xC0, ch, number, -1);
}

void MidiWriter::pitchBend(int track, std::uint64_t tick, int ch, int value14) {
    channel(track, tick, 0xE0, ch, value14 & 0x7F, (value14 >> 7) & 0x7F);
}

void MidiWriter::tempo(int track, std::uint64_t tick, std::uint32_t micros) {
    std::vector<std::uint8_t> bytes{0xFF, 0x51, 0x03};
    putBig(bytes, micros, 3);
    raw(track, tick, std::move(bytes));
}

void MidiWriter::trackName(int track, std::uint64_t tick, const char* name) {
    std::vector<std::uint8_t> bytes{0xFF, 0x03};
    const auto length = static_cast<std::uint32_t>(std::strlen(name));
    putVarLen(bytes, length);
    bytes.insert(bytes.end(), name, name + length);
    raw(track, tick, std::move(bytes));
}

void MidiWriter::sysex(int track, std::uint64_t tick, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> bytes{0xF0};
    putVarLen(bytes, static_cast<std::uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    raw(track, tick, std::move(bytes));
}

void MidiWriter::endAt(int track, std::uint64_t tick) { tracks_.at(track).end = tick; }

std::vector<std::uint8_t> MidiWriter::bytes(bool runningStatus) const {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    putBig(out, 6, 4);
    putBig(out, static_cast<std::uint32_t>(format_), 2);
    putBig(out, static_cast<std::uint32_t>(tracks_.size()), 2);
    putBig(out, static_cast<std::uint32_t>(division_), 2);
    for (const Track& track : tracks_) {
        std::vector<Event> events = track.events;
        std::stable_sort(events.begin(), events.end(),
                         [](const Event& a, const Event& b) { return a.tick < b.tick; });
        std::vector<std::uint8_t> body;
        std::uint64_t now = 0;
        std::uint8_t running = 0;
        for (const Event& event : events) {
            putVarLen(body, static_cast<std::uint32_t>(event.tick - now));
            now = event.tick;
            const std::uint8_t status = event.bytes.empty() ? 0 : event.bytes[0];
            const bool channelMessage = status >= 0x80 && status < 0xF0;
            const bool skipStatus = runningStatus && channelMessage && status == running;
            body.insert(body.end(), event.bytes.begin() + (skipStatus ? 1 : 0), event.bytes.end());
            // Meta and system-exclusive events cancel running status for strict readers.
            running = channelMessage ? status : 0;
        }
        putVarLen(body, static_cast<std::uint32_t>(std::max(track.end, now) - now));
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBig(out, static_cast<std::uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

}  // namespace strellon::midi
