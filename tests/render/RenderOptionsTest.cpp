#include <gtest/gtest.h>

#include "host/render/RenderOptions.h"

namespace strellon::render {
namespace {

RenderOptions parsed(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parseRenderOptions(args, options, error)) << error;
    completeRenderOptions(options);
    return options;
}

std::string refused(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(parseRenderOptions(args, options, error));
    return error;
}

TEST(RenderOptions, DefaultsAndNamesFromTheInput) {
    const RenderOptions demo = parsed({});
    EXPECT_EQ(demo.outputPath, "demo.wav");
    EXPECT_EQ(demo.sampleRate, 44100);
    EXPECT_EQ(demo.blockSize, 512);
    EXPECT_EQ(*demo.format, AudioFormat::wav24);

    EXPECT_EQ(parsed({"songs/air.v2.mid"}).outputPath, "songs/air.v2.wav");
    EXPECT_EQ(parsed({"dir.x/air"}).outputPath, "dir.x/air.wav");
    EXPECT_EQ(parsed({"--format", "flac", "air.mid"}).outputPath, "air.flac");
    EXPECT_EQ(*parsed({"-o", "out.flac", "air.mid"}).format, AudioFormat::flac);
    EXPECT_EQ(*parsed({"--format=wav32f", "-o", "out.flac"}).format, AudioFormat::wav32f);
    // Standard output may be a pipe, which WAV cannot be written to.
    EXPECT_EQ(*parsed({"-o", "-", "air.mid"}).format, AudioFormat::flac);
    EXPECT_EQ(*parsed({"-o", "-", "--format", "wav16", "air.mid"}).format, AudioFormat::wav16);
}

TEST(RenderOptions, ValuesInBothSpellingsAndRepeatedParams) {
    const RenderOptions o = parsed({"--rate=48000", "--block", "64", "--tail", "0.5", "--program",
                                    "Celtic Harp", "--param", "Damp=1", "--param=Volume=0.5",
                                    "--plot", "p.png", "--plugin", "x.so", "in.mid"});
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.blockSize, 64);
    EXPECT_DOUBLE_EQ(o.tailSeconds, 0.5);
    EXPECT_EQ(*o.program, "Celtic Harp");
    EXPECT_EQ(o.params, (std::vector<std::string>{"Damp=1", "Volume=0.5"}));
    EXPECT_EQ(o.plotPath, "p.png");
    EXPECT_EQ(o.pluginPath, "x.so");
    EXPECT_EQ(o.midiPath, "in.mid");
}

TEST(RenderOptions, BadCommandLinesSayWhatIsWrong) {
    EXPECT_EQ(refused({"--loud"}), "unknown option --loud (see --help)");
    EXPECT_EQ(refused({"-o"}), "option -o needs a value");
    EXPECT_NE(refused({"--rate", "44.1k"}).find("--rate"), std::string::npos);
    EXPECT_NE(refused({"--rate", "100"}).find("8000"), std::string::npos);
    EXPECT_NE(refused({"--block", "0"}).find("--block"), std::string::npos);
    EXPECT_NE(refused({"--block", "99999"}).find("--block"), std::string::npos);
    EXPECT_NE(refused({"--format", "mp3"}).find("mp3"), std::string::npos);
    EXPECT_NE(refused({"--tail", "nan"}).find("--tail"), std::string::npos);
    EXPECT_NE(refused({"--tail", "-1"}).find("--tail"), std::string::npos);
    EXPECT_NE(refused({"a.mid", "b.mid"}).find("one MIDI file"), std::string::npos);
    EXPECT_NE(refused({"--help=yes"}).find("takes no value"), std::string::npos);
}

}  // namespace
}  // namespace strellon::render
