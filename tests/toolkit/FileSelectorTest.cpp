// The file selector: the host's selector first, else the desktop's dialog
// (here the headless window system's scripted one, and a stand-in zenity),
// and the record it fills and gives back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/headless/HeadlessWindow.h"
#include "toolkit/FileSelector.h"

namespace strellon::test {
namespace {

vst2::VstFileType fileType(const char* name, const char* dos, const char* unix = "") {
    vst2::VstFileType t{};
    std::strcpy(t.name, name);
    std::strcpy(t.dosType, dos);
    std::strcpy(t.unixType, unix);
    return t;
}

struct FakeHost : FileSelectorHost {
    std::vector<std::string> canDo;
    std::vector<std::string> calls;
    int hostPaths = 1;
    bool hostCanDo(const char* c) override { return std::find(canDo.begin(), canDo.end(), c) != canDo.end(); }
    bool openHostFileSelector(vst2::VstFileSelect* r) override {
        calls.push_back("open");
        r->nbReturnPaths = hostPaths;
        return true;
    }
    bool closeHostFileSelector(vst2::VstFileSelect*) override {
        calls.push_back("close");
        return true;
    }
    void* dialogOwner() override { return nullptr; }
};

class FileSelectorTest : public ::testing::Test {
protected:
    void SetUp() override { platform::setWindowSystem(&system); }
    void TearDown() override { platform::setWindowSystem(nullptr); }
    platform::HeadlessWindowSystem system;
    FakeHost host;
    vst2::VstFileSelect record{};
};

TEST(FileSelectorFilters, LoadSaveAndFolder) {
    vst2::VstFileSelect r{};
    vst2::VstFileType sound = fileType("Sound", "wav");
    r.fileTypes = &sound;
    r.nbFileTypes = 1;
    auto f = FileSelector::filtersFor(r);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].text, "Sound (.wav)");
    EXPECT_EQ(f[0].pattern, "*.wav");
    EXPECT_EQ(f[1].text, "Any Type (*.*)");
    EXPECT_EQ(f[1].pattern, "*.*");

    vst2::VstFileType two[] = {fileType("A", "a"), fileType("B", "b", "bb")};
    r.fileTypes = two;
    r.nbFileTypes = 2;
    f = FileSelector::filtersFor(r);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[1].pattern, "*.b;*.bb");
    EXPECT_EQ(f[2].text, "All Types: (*.a;*.b;*.bb)");
    EXPECT_EQ(f[2].pattern, "*.a;*.b;*.bb");

    r.command = vst2::kVstFileSave;  // the types alone, DOS extensions only
    f = FileSelector::filtersFor(r);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1].pattern, "*.b");

    r.command = vst2::kVstDirectorySelect;
    EXPECT_TRUE(FileSelector::filtersFor(r).empty());
    r.command = vst2::kVstFileLoad;
    r.nbFileTypes = 0;
    EXPECT_EQ(FileSelector::filtersFor(r).size(), 1u);
}

TEST_F(FileSelectorTest, TheHostsSelectorComesFirstAndGetsItsRecordBack) {
    host.canDo = {"openFileSelector", "closeFileSelector"};
    host.hostPaths = 3;
    {
        FileSelector selector(&host);
        EXPECT_EQ(selector.run(&record), 3);
        EXPECT_TRUE(system.fileDialogs().empty());
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"open", "close"}));
}

TEST_F(FileSelectorTest, OurDialogsAnswerIsOursToFreeNotTheHosts) {
    // A host that can close selectors but not open them: the dialog is ours,
    // and so is the memory, which the host must not be handed.
    host.canDo = {"closeFileSelector"};
    system.queueFileChoice({"/music/harp.wav"});
    vst2::VstFileType sound = fileType("Sound", "wav");
    record.fileTypes = &sound;
    record.nbFileTypes = 1;
    std::strcpy(record.title, "Load a sample");
    {
        FileSelector selector(&host);
        ASSERT_EQ(selector.run(&record), 1);
        ASSERT_NE(record.returnPath, nullptr);
        EXPECT_STREQ(record.returnPath, "/music/harp.wav");
        EXPECT_EQ(record.reserved, 1);
        EXPECT_EQ(record.sizeReturnPath, 15);
        const auto& request = system.fileDialogs().back();
        EXPECT_EQ(request.mode, platform::FileDialogMode::load);
        EXPECT_EQ(request.title, "Load a sample");
        EXPECT_EQ(request.filters.size(), 2u);
    }
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(record.returnPath, nullptr);
    EXPECT_EQ(record.reserved, 0);
}

TEST_F(FileSelectorTest, ACallersBufferIsFilledOnlyWhenThePathFits) {
    char buffer[16] = "untouched";
    record.command = vst2::kVstFileSave;
    record.returnPath = buffer;
    record.sizeReturnPath = sizeof buffer;
    FileSelector selector(nullptr);
    system.queueFileChoice({"/a/b.wav"});
    ASSERT_EQ(selector.run(&record), 1);
    EXPECT_STREQ(buffer, "/a/b.wav");
    EXPECT_EQ(record.reserved, 0);
    EXPECT_EQ(system.fileDialogs().back().mode, platform::FileDialogMode::save);

    system.queueFileChoice({"/a/path/longer/than/sixteen.wav"});
    EXPECT_EQ(selector.run(&record), 0);
    EXPECT_STREQ(buffer, "/a/b.wav");
    EXPECT_EQ(record.nbReturnPaths, 0);
}

TEST_F(FileSelectorTest, SeveralFilesAndCancelling) {
    record.command = vst2::kVstMultipleFilesLoad;
    std::vector<std::string> many;
    for (int i = 0; i < 1030; ++i) many.push_back("/s/" + std::to_string(i) + ".wav");
    system.queueFileChoice(many);
    {
        FileSelector selector(nullptr);
        ASSERT_EQ(selector.run(&record), 1024);
        EXPECT_EQ(record.nbReturnPaths, 1024);
        EXPECT_STREQ(record.returnMultiplePaths[0], "/s/0.wav");
        EXPECT_STREQ(record.returnMultiplePaths[1023], "/s/1023.wav");
        // A cancelled second run leaves the record empty, the first run's
        // paths given back.
        EXPECT_EQ(selector.run(&record), 0);
        EXPECT_EQ(record.returnMultiplePaths, nullptr);
        EXPECT_EQ(record.nbReturnPaths, 0);
    }
    record.command = 7;
    FileSelector selector(nullptr);
    EXPECT_EQ(selector.run(&record), 0);
    platform::setWindowSystem(nullptr);
    record.command = vst2::kVstFileLoad;
    EXPECT_EQ(selector.run(&record), 0);
}

// A stand-in zenity that writes its arguments down and answers a path.
class DesktopDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "strellon-zenity-" + std::to_string(getpid());
        mkdir(dir.c_str(), 0755);
        std::ofstream(dir + "/zenity") << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\" >> \"" << dir
                                       << "/args\"; done\necho /chosen/one.wav\n";
        chmod((dir + "/zenity").c_str(), 0755);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        std::remove((dir + "/zenity").c_str());
        std::remove((dir + "/args").c_str());
        rmdir(dir.c_str());
    }
    std::string dir, savedPath;
};

TEST_F(DesktopDialog, ZenityIsAskedWithoutAShellAndNothingWithoutIt) {
    setenv("PATH", dir.c_str(), 1);
    platform::FileDialogRequest request;
    request.mode = platform::FileDialogMode::save;
    request.title = "Save; $(rm -rf /)";
    request.filters = {{"Sound (.wav)", "*.wav;*.wave"}};
    EXPECT_EQ(platform::runDesktopFileDialog(request), (std::vector<std::string>{"/chosen/one.wav"}));
    std::ifstream in(dir + "/args");
    std::vector<std::string> args;
    for (std::string line; std::getline(in, line);) args.push_back(line);
    EXPECT_EQ(args, (std::vector<std::string>{"--file-selection", "--save", "--confirm-overwrite",
                                              "--title=Save; $(rm -rf /)", "--file-filter=Sound (.wav) | *.wav *.wave"}));
    setenv("PATH", "/nonexistent", 1);
    EXPECT_TRUE(platform::runDesktopFileDialog(request).empty());
}

} // namespace
} // namespace strellon::test
