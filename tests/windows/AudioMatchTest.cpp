// The Windows library plays the reference piece as the Linux library does.
// The C libraries differ in their maths functions, so the takes are held to
// a signal-to-noise ratio rather than to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ReferencePiece.h"

using namespace strellon;

namespace {

// The Linux takes, named by a Unix path in STRELLON_LINUX_AUDIO.
std::vector<float> linuxTakes() {
    const char* unixPath = std::getenv("STRELLON_LINUX_AUDIO");
    std::vector<float> all;
    if (!unixPath) return all;
    std::string path = unixPath;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's root drive
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return all;
    float chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, sizeof(float), 4096, in)) > 0) all.insert(all.end(), chunk, chunk + n);
    std::fclose(in);
    return all;
}

double snrDecibels(const float* reference, const float* take, size_t count) {
    double signal = 0.0, noise = 0.0;
    for (size_t i = 0; i < count; ++i) {
        signal += double(reference[i]) * reference[i];
        const double d = double(reference[i]) - take[i];
        noise += d * d;
    }
    if (noise == 0.0) return 999.0;
    return 10.0 * std::log10(signal / noise);
}

}  // namespace

TEST(WindowsAudio, MatchesTheLinuxLibraryTakeByTake) {
    const std::vector<float> reference = linuxTakes();
    if (reference.empty()) GTEST_SKIP() << "STRELLON_LINUX_AUDIO names no Linux takes";
    size_t at = 0;
    for (const auto& take : test::referenceTakes()) {
        std::vector<float> samples;
        std::thread([&] {
            std::string error;
            auto plugin = host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error);
            ASSERT_TRUE(plugin) << error;
            samples = test::renderReferenceTake(*plugin, take);
        }).join();
        ASSERT_LE(at + samples.size(), reference.size());
        double energy = 0.0;
        for (float s : samples) energy += double(s) * s;
        EXPECT_GT(energy, 1.0) << "take at " << take.sampleRate << " Hz is silent";
        const double snr = snrDecibels(reference.data() + at, samples.data(), samples.size());
        EXPECT_GE(snr, 100.0) << "take at " << take.sampleRate << " Hz, program " << take.program;
        std::printf("take at %.0f Hz, program %d: %.1f dB\n", take.sampleRate, take.program, snr);
        at += samples.size();
    }
    EXPECT_EQ(at, reference.size());
}
