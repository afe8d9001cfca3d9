// What stands at the output path: only a missing or regular file is
// replaced; links are followed, and devices, FIFOs and standard output are
// written in place.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "host/midi/MidiWriter.h"
#include "tests/render/RenderTestSupport.h"

namespace strellon::render::testing {
namespace {

std::vector<std::uint8_t> oneNote() {
    midi::MidiWriter w(0, 480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 69, 100);
    w.noteOff(t, 240, 0, 69);
    w.endAt(t, 480);
    return w.bytes();
}

CommandRun renderTo(const Scratch& scratch, const std::string& out, const std::string& format = "wav16") {
    const std::string in = scratch.write("one.mid", oneNote());
    return render({"--plugin", FAKE_INSTRUMENT, "--tail", "0", "--format", format, "-o", out, in});
}

mode_t modeOf(const std::string& path) {
    struct stat info{};
    lstat(path.c_str(), &info);
    return info.st_mode;
}

std::string firstBytes(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

TEST(RenderOutput, ALinkIsFollowedToItsTarget) {
    Scratch scratch;
    std::filesystem::create_directory(scratch.path("real"));
    std::filesystem::create_symlink("real/a.wav", scratch.path("link.wav"));
    const CommandRun run = renderTo(scratch, scratch.path("link.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(S_ISLNK(modeOf(scratch.path("link.wav"))));
    EXPECT_EQ(readAudio(scratch.path("real/a.wav")).frames, 22050);
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"link.wav", "one.mid", "real"}));
}

TEST(RenderOutput, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
    Scratch scratch;
    const mode_t saved = umask(027);
    const CommandRun fresh = renderTo(scratch, scratch.path("new.wav"));
    umask(saved);
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(modeOf(scratch.path("new.wav")) & 0777, 0640u);
    EXPECT_EQ(umask(saved), saved);  // the process's mask was left alone

    std::ofstream(scratch.path("old.wav")) << "old";
    chmod(scratch.path("old.wav").c_str(), 0604);
    ASSERT_EQ(renderTo(scratch, scratch.path("old.wav")).status, 0);
    EXPECT_EQ(modeOf(scratch.path("old.wav")) & 0777, 0604u);
    EXPECT_EQ(readAudio(scratch.path("old.wav")).frames, 22050);
}

// Pipes get whole files, even formats finished by seeking back to the
// header: the audio goes through a temporary file in TMPDIR, gone after.
class PipeOutput : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(scratch.path("tmp"));
        const char* old = std::getenv("TMPDIR");
        if (old) savedTmp = old;
        setenv("TMPDIR", scratch.path("tmp").c_str(), 1);
    }
    void TearDown() override {
        if (savedTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", savedTmp.c_str(), 1);
    }
    // What came through, as a file to read back.
    Audio receivedAudio() const {
        const std::string copy = scratch.path("received.wav");
        std::ofstream(copy, std::ios::binary) << received;
        Audio audio = readAudio(copy);
        std::filesystem::remove(copy);
        return audio;
    }
    Scratch scratch;
    std::string savedTmp;
    std::string received;
};

TEST_F(PipeOutput, AFifoStaysAndItsReaderGetsTheWholeFile) {
    const std::string fifo = scratch.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    const CommandRun run = renderTo(scratch, fifo, "wav16");
    reader.join();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_EQ(received.substr(0, 4), "RIFF");
    EXPECT_EQ(receivedAudio().frames, 22050);
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"one.mid", "pipe", "tmp"}));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path("tmp")));
}

TEST_F(PipeOutput, StandardOutputAsAPipe) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread reader([&] {
        char buffer[4096];
        ssize_t got;
        while ((got = read(ends[0], buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<std::size_t>(got));
        ::close(ends[0]);
    });
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    ::close(ends[1]);
    const CommandRun run = renderTo(scratch, "-", "wav24");
    dup2(saved, STDOUT_FILENO);  // closes the last writing end: the reader sees the end
    ::close(saved);
    reader.join();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(receivedAudio().frames, 22050);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path("tmp")));
}

TEST(RenderOutput, ADeviceNodeStaysADevice) {
    Scratch scratch;
    const std::string node = scratch.path("null");
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "cannot make a device node here";
    const CommandRun run = renderTo(scratch, node);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(S_ISCHR(modeOf(node)));
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"null", "one.mid"}));
}

TEST(RenderOutput, DashIsStandardOutputAndTheSummaryGoesToErrors) {
    Scratch scratch;
    const std::string capture = scratch.path("stdout.flac");
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = ::open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    dup2(file, STDOUT_FILENO);
    ::close(file);
    const CommandRun run = renderTo(scratch, "-", "flac");
    dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("-: 0.50 s at 44100 Hz"), std::string::npos) << run.err;
    EXPECT_EQ(firstBytes(capture, 4), "fLaC");
    EXPECT_EQ(readAudio(capture).frames, 22050);
}

TEST(RenderOutput, AFolderIsRefused) {
    Scratch scratch;
    std::filesystem::create_directory(scratch.path("dir"));
    const CommandRun run = renderTo(scratch, scratch.path("dir"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Is a directory"), std::string::npos) << run.err;
    EXPECT_EQ(scratch.files(), (std::vector<std::string>{"dir", "one.mid"}));
}

}  // namespace
}  // namespace strellon::render::testing
