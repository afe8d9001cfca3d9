// Mutates the test corpus at random (seeded, so a failure repeats) and feeds
// every mutant to the reader. Built with the address and undefined-behaviour
// sanitizers: any out-of-bounds read or overflow aborts the run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "host/midi/MidiFile.h"
#include "tests/midi/Corpus.h"

namespace strellon::midi {
namespace {

void mutate(corpus::Bytes& bytes, std::mt19937& random) {
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(random); };
    static const std::uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0x81, 0xF0, 0xF7, 0xFF, 0x2F, 0x51};
    const int edits = 1 + static_cast<int>(pick(3));
    for (int e = 0; e < edits; ++e) {
        if (bytes.empty()) bytes.push_back(0);
        const std::size_t at = pick(bytes.size() - 1);
        switch (pick(5)) {
        case 0: bytes[at] ^= static_cast<std::uint8_t>(1u << pick(7)); break;
        case 1: bytes[at] = interesting[pick(std::size(interesting) - 1)]; break;
        case 2: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<std::uint8_t>(pick(255))); break;
        case 3: bytes.erase(bytes.begin() + static_cast<long>(at)); break;
        case 4: bytes.resize(at); break;
        default:  // a chunk or header length made huge or small
            if (at + 4 <= bytes.size())
                for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(pick(255));
            break;
        }
    }
}

TEST(MidiFuzz, MutatedCorpusNeverCrashesAndParsedFilesAreOrdered) {
    std::mt19937 random(20261208);
    const auto files = corpus::all();
    int accepted = 0;
    for (int i = 0; i < 30000; ++i) {
        corpus::Bytes bytes = files[i % files.size()].second;
        mutate(bytes, random);
        MidiFile file;
        MidiError error;
        if (!parseMidi(bytes, file, error)) {
            ASSERT_LE(error.offset, bytes.size());
            ASSERT_FALSE(error.message.empty());
            continue;
        }
        ++accepted;
        ASSERT_TRUE(std::isfinite(file.lengthSeconds));
        for (std::size_t k = 0; k < file.events.size(); ++k) {
            const MidiEvent& event = file.events[k];
            ASSERT_TRUE(std::isfinite(event.seconds));
            ASSERT_GE(event.status, 0x80);
            ASSERT_LT(event.status, 0xF0);
            ASSERT_LE(event.seconds, file.lengthSeconds);
            if (k) {
                ASSERT_LE(file.events[k - 1].seconds, event.seconds);
            }
        }
    }
    // Both paths must have been exercised for the run to mean anything.
    std::printf("%d of 30000 mutants parsed\n", accepted);
    EXPECT_GT(accepted, 100);
    EXPECT_LT(accepted, 29000);
}

}  // namespace
}  // namespace strellon::midi
