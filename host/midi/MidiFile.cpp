#include "host/midi/MidiFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace strellon::midi {

namespace {

// Anything larger is not a piece of music but a mistake (or an attack).
constexpr std::size_t kMaxFileBytes = 64u << 20;

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// Bounds-checked reading of one region of the file; every read reports
// failure instead of stepping past the end.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    std::size_t offset() const { return pos_; }
    bool atEnd() const { return pos_ >= end_; }
    bool has(std::size_t n) const { return end_ - pos_ >= n; }

    bool byte(std::uint8_t& out) {
        if (atEnd()) return false;
        out = data_[pos_++];
        return true;
    }

    bool skip(std::size_t n) {
        if (!has(n)) return false;
        pos_ += n;
        return true;
    }

    std::uint32_t peekBig(std::size_t at, int count) const {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | data_[at + i];
        return value;
    }

    enum class VarLen { ok, truncated, tooLong };

    // A variable-length quantity: at most four bytes, seven bits each.
    VarLen varLen(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b)) return VarLen::truncated;
            out = (out << 7) | (b & 0x7Fu);
            if (!(b & 0x80u)) return VarLen::ok;
        }
        return VarLen::tooLong;
    }

private:
    const std::uint8_t* data_;
    std::size_t pos_;
    std::size_t end_;
};

bool fail(MidiError& error, std::size_t offset, std::string message) {
    error.offset = offset;
    error.message = std::move(message);
    return false;
}

struct TrackResult {
    std::vector<MidiEvent> events;
    std::vector<TempoChange> tempos;
    std::vector<MeterChange> meters;
    std::uint64_t endTick = 0;
};

bool readVarLen(Cursor& in, std::uint32_t& out, const char* what, MidiError& error) {
    const std::size_t start = in.offset();
    switch (in.varLen(out)) {
    case Cursor::VarLen::ok:
        return true;
    case Cursor::VarLen::truncated:
        return fail(error, start, std::string("track ends inside a ") + what);
    case Cursor::VarLen::tooLong:
        break;
    }
    return fail(error, start, std::string(what) + " longer than four bytes");
}

bool parseTrack(Cursor in, std::uint16_t track, TrackResult& out, MidiError& error) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!in.atEnd()) {
        std::uint32_t delta;
        if (!readVarLen(in, delta, "delta time", error)) return false;
        tick += delta;

        const std::size_t at = in.offset();
        std::uint8_t first;
        if (!in.byte(first)) return fail(error, at, "track ends after a delta time");

        if (first == 0xFF) {
            std::uint8_t type;
            std::uint32_t length;
            if (!in.byte(type)) return fail(error, at, "track ends inside a meta event");
            if (!readVarLen(in, length, "meta event length", error)) return false;
            const std::size_t body = in.offset();
            if (!in.has(length)) return fail(error, at, "meta event runs past the end of its track");
            if (type == 0x2F) {
                out.endTick = tick;
                return true;  // whatever follows end of track is not part of it
            }
            if (type == 0x51) {
                if (length != 3)
                    return fail(error, at, "tempo event of " + std::to_string(length) + " bytes");
                const std::uint32_t micros = in.peekBig(body, 3);
                if (micros == 0) return fail(error, at, "tempo of zero");
                out.tempos.push_back({tick, micros, 0.0});
            }
            // A time signature the music cannot have is left out, not refused.
            if (type == 0x58 && length >= 2) {
                const std::uint32_t numerator = in.peekBig(body, 1), power = in.peekBig(body + 1, 1);
                if (numerator > 0 && power <= 6) out.meters.push_back({tick, static_cast<int>(numerator), 1 << power});
            }
            in.skip(length);
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            std::uint32_t length;
            if (!readVarLen(in, length, "system-exclusive length", error)) return false;
            if (!in.skip(length))
                return fail(error, at, "system-exclusive event runs past the end of its track");
            continue;
        }
        if (first > 0xF0) return fail(error, at, "unexpected status byte " + hexByte(first));

        MidiEvent event;
        event.tick = tick;
        event.track = track;
        std::uint8_t data[2];
        int have = 0;
        if (first & 0x80u) {
            running = first;
        } else if (running == 0) {
            return fail(error, at, "data byte " + hexByte(first) + " without a status");
        } else {
            data[have++] = first;  // running status: the byte is the first data byte
        }
        event.status = running;
        const std::uint8_t kind = running & 0xF0u;
        const int needed = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        while (have < needed) {
            const std::size_t dataAt = in.offset();
            if (!in.byte(data[have])) return fail(error, dataAt, "track ends inside a channel message");
            if (data[have] & 0x80u)
                return fail(error, dataAt,
                            "status byte " + hexByte(data[have]) + " where data was expected");
            ++have;
        }
        event.data1 = data[0];
        event.data2 = needed == 2 ? data[1] : 0;
        event.size = static_cast<std::uint8_t>(needed + 1);
        out.events.push_back(event);
    }
    // Lenient about a missing end-of-track event: the chunk length already
    // told us where the track ends.
    out.endTick = tick;
    return true;
}

bool checkDivision(int division, MidiError& error) {
    if (division == 0) return fail(error, 12, "division of zero ticks");
    if (division < 0) {
        const int fps = -static_cast<std::int8_t>((division >> 8) & 0xFF);
        const int perFrame = division & 0xFF;
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30)
            return fail(error, 12, "unknown SMPTE rate of " + std::to_string(fps) + " frames");
        if (perFrame == 0) return fail(error, 12, "SMPTE division of zero ticks per frame");
    }
    return true;
}

// Sorts the tempo changes, folds changes at one tick into the last of them,
// and stamps each with its time so lookups need no walk from the start.
std::vector<TempoChange> buildTempoMap(std::vector<TempoChange> changes, int division) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::vector<TempoChange> map{{0, 500000, 0.0}};
    for (const TempoChange& change : changes) {
        TempoChange& last = map.back();
        if (change.tick == last.tick) {
            last.microsPerQuarter = change.microsPerQuarter;
            continue;
        }
        const double seconds = last.seconds + static_cast<double>(change.tick - last.tick) *
                                                  last.microsPerQuarter / (1e6 * division);
        map.push_back({change.tick, change.microsPerQuarter, seconds});
    }
    return map;
}

// Sorted by tick, from a 4/4 at tick 0; the last change at a tick wins.
std::vector<MeterChange> buildMeterMap(std::vector<MeterChange> changes) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const MeterChange& a, const MeterChange& b) { return a.tick < b.tick; });
    std::vector<MeterChange> map{{0, 4, 4}};
    for (const MeterChange& change : changes) {
        if (change.tick != map.back().tick) map.push_back(change);
        else map.back() = change;
    }
    return map;
}

}  // namespace

bool musicalTimeAt(const MidiFile& file, double seconds, MusicalTime& out) {
    if (file.division <= 0 || file.tempoMap.empty() || file.meterMap.empty()) return false;
    auto tempoAfter = std::upper_bound(file.tempoMap.begin(), file.tempoMap.end(), seconds,
                                       [](double t, const TempoChange& c) { return t < c.seconds; });
    const TempoChange& segment = tempoAfter == file.tempoMap.begin() ? file.tempoMap.front() : *std::prev(tempoAfter);
    const double division = file.division;
    const double ticks =
        static_cast<double>(segment.tick) + (seconds - segment.seconds) * 1e6 * division / segment.microsPerQuarter;
    out.quarters = ticks / division;
    out.tempo = 60e6 / segment.microsPerQuarter;

    auto meterAfter = std::upper_bound(file.meterMap.begin(), file.meterMap.end(), ticks,
                                       [](double t, const MeterChange& c) { return t < static_cast<double>(c.tick); });
    const MeterChange& meter = meterAfter == file.meterMap.begin() ? file.meterMap.front() : *std::prev(meterAfter);
    out.numerator = meter.numerator;
    out.denominator = meter.denominator;
    const double from = static_cast<double>(meter.tick) / division;
    const double bar = 4.0 * meter.numerator / meter.denominator;
    out.barStart = from + std::floor((out.quarters - from) / bar) * bar;
    return true;
}

double ticksToSeconds(const MidiFile& file, std::uint64_t tick) {
    if (file.division < 0) {
        const int fps = -static_cast<std::int8_t>((file.division >> 8) & 0xFF);
        const double rate = fps == 29 ? 29.97 : fps;
        return static_cast<double>(tick) / (rate * (file.division & 0xFF));
    }
    if (file.division == 0 || file.tempoMap.empty()) return 0.0;
    auto after = std::upper_bound(file.tempoMap.begin(), file.tempoMap.end(), tick,
                                  [](std::uint64_t t, const TempoChange& c) { return t < c.tick; });
    const TempoChange& segment = *std::prev(after);
    return segment.seconds + static_cast<double>(tick - segment.tick) * segment.microsPerQuarter /
                                 (1e6 * file.division);
}

bool parseMidi(const std::uint8_t* data, std::size_t size, MidiFile& file, MidiError& error) {
    file = MidiFile{};
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        return fail(error, 0, size < 4 ? "file too short for a MIDI header" : "not a MIDI file (no MThd header)");
    Cursor header(data, 0, size);
    const std::uint32_t headerLength = header.peekBig(4, 4);
    if (headerLength < 6) return fail(error, 4, "header chunk of " + std::to_string(headerLength) + " bytes");
    if (headerLength > size - 8) return fail(error, 4, "header chunk runs past the end of the file");
    file.format = static_cast<int>(header.peekBig(8, 2));
    file.trackCount = static_cast<int>(header.peekBig(10, 2));
    file.division = static_cast<std::int16_t>(header.peekBig(12, 2));
    if (file.format > 1)
        return fail(error, 8, "format " + std::to_string(file.format) + " is not supported (only 0 and 1)");
    if (file.trackCount == 0) return fail(error, 10, "no tracks");
    if (file.format == 0 && file.trackCount != 1)
        return fail(error, 10, "format 0 with " + std::to_string(file.trackCount) + " tracks");
    if (!checkDivision(file.division, error)) return false;

    std::vector<TempoChange> tempos;
    std::vector<MeterChange> meters;
    std::size_t pos = 8 + static_cast<std::size_t>(headerLength);
    int found = 0;
    std::uint64_t endTick = 0;
    while (found < file.trackCount) {
        if (pos >= size)
            return fail(error, pos, "file ends after " + std::to_string(found) + " of " +
                                        std::to_string(file.trackCount) + " tracks");
        if (size - pos < 8) return fail(error, pos, "truncated chunk header");
        const bool isTrack = std::memcmp(data + pos, "MTrk", 4) == 0;
        const std::size_t length = header.peekBig(pos + 4, 4);
        const std::size_t body = pos + 8;
        if (length > size - body)
            return fail(error, pos + 4,
                        (isTrack ? "track " + std::to_string(found + 1) : std::string("chunk")) +
                            " claims " + std::to_string(length) + " bytes, only " +
                            std::to_string(size - body) + " remain");
        if (isTrack) {
            TrackResult track;
            if (!parseTrack(Cursor(data, body, body + length), static_cast<std::uint16_t>(found),
                            track, error))
                return false;
            file.events.insert(file.events.end(), track.events.begin(), track.events.end());
            tempos.insert(tempos.end(), track.tempos.begin(), track.tempos.end());
            meters.insert(meters.end(), track.meters.begin(), track.meters.end());
            endTick = std::max(endTick, track.endTick);
            ++found;
        }  // other chunk types are allowed and skipped
        pos = body + length;
    }

    // Tracks went in one after the other, so a stable sort by tick leaves
    // equal ticks in track order and then in file order.
    std::stable_sort(file.events.begin(), file.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    if (file.division > 0) {
        file.tempoMap = buildTempoMap(std::move(tempos), file.division);
        file.meterMap = buildMeterMap(std::move(meters));
    }
    for (MidiEvent& event : file.events) event.seconds = ticksToSeconds(file, event.tick);
    file.lengthSeconds = ticksToSeconds(file, endTick);
    return true;
}

bool parseMidi(const std::vector<std::uint8_t>& bytes, MidiFile& file, MidiError& error) {
    return parseMidi(bytes.data(), bytes.size(), file, error);
}

bool readMidiFile(const std::string& path, MidiFile& file, std::string& error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = path + ": is a directory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    in.seekg(0, std::ios::end);
    const auto length = static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (length > kMaxFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB, not a MIDI file";
        return false;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(length);
    if (length && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length))) {
        error = path + ": read error";
        return false;
    }
    MidiError failure;
    if (!parseMidi(bytes, file, failure)) {
        error = path + ": byte " + std::to_string(failure.offset) + ": " + failure.message;
        return false;
    }
    return true;
}

}  // namespace strellon::midi
