// The file selector's common dialogs under Wine, driven from a second
// thread as a person would: cancel, a chosen file, and a folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/Win32Window.h"
#include "toolkit/FileSelector.h"

using namespace strellon;

namespace {

// Waits for the dialog with this title, then acts on it.
std::thread whenOpen(const char* title, std::function<void(HWND)> act) {
    return std::thread([title, act] {
        for (int i = 0; i < 500; ++i) {
            if (HWND dialog = FindWindowA(nullptr, title)) {
                Sleep(200);
                act(dialog);
                // A dialog that did not close fails the test, not the run.
                for (int j = 0; j < 100 && IsWindow(dialog); ++j) Sleep(20);
                if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            Sleep(20);
        }
    });
}

std::string tempFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string f = folder;
    if (!f.empty() && f.back() == '\\') f.pop_back();
    return f;
}

class FileDialog : public ::testing::Test {
protected:
    void SetUp() override { platform::setWindowSystem(&system); }
    void TearDown() override { platform::setWindowSystem(nullptr); }
    platform::Win32WindowSystem system{GetModuleHandleA(nullptr)};
    vst2::VstFileSelect record{};
};

} // namespace

TEST_F(FileDialog, CancellingLeavesTheRecordEmpty) {
    std::strcpy(record.title, "Strellon cancel test");
    auto hand = whenOpen(record.title, [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
    FileSelector selector(nullptr);
    EXPECT_EQ(selector.run(&record), 0);
    hand.join();
    EXPECT_EQ(record.nbReturnPaths, 0);
    EXPECT_EQ(record.returnPath, nullptr);
}

TEST_F(FileDialog, AChosenFileIsReturned) {
    const std::string file = tempFolder() + "\\strellon-choice.wav";
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::strcpy(record.title, "Strellon load test");
    vst2::VstFileType sound{};
    std::strcpy(sound.name, "Sound");
    std::strcpy(sound.dosType, "wav");
    record.fileTypes = &sound;
    record.nbFileTypes = 1;
    auto hand = whenOpen(record.title, [file](HWND d) {
        // The name box: an edit, or a combo box on newer dialogs.
        for (int id : {1148, 1152}) SetDlgItemTextA(d, id, file.c_str());
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    FileSelector selector(nullptr);
    EXPECT_EQ(selector.run(&record), 1);
    hand.join();
    ASSERT_NE(record.returnPath, nullptr);
    EXPECT_EQ(lstrcmpiA(record.returnPath, file.c_str()), 0) << record.returnPath;
    DeleteFileA(file.c_str());
}

TEST_F(FileDialog, FolderModeAnswersTheFolderSelected) {
    const std::string folder = tempFolder();
    record.command = vst2::kVstDirectorySelect;
    std::strcpy(record.title, "Strellon folder test");
    std::string initial = folder;
    record.initialPath = initial.data();
    std::string okText;
    bool nameHidden = false;
    auto hand = whenOpen(record.title, [&](HWND d) {
        HWND ok = GetDlgItem(d, IDOK);
        char text[32] = {};
        GetWindowTextA(ok, text, sizeof text);
        okText = text;
        HWND name = GetDlgItem(d, 1152);
        nameHidden = !name || !IsWindowVisible(name);
        // A press and release of the Select button with no folder marked.
        PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    });
    FileSelector selector(nullptr);
    EXPECT_EQ(selector.run(&record), 1);
    hand.join();
    EXPECT_EQ(okText, "Select");
    EXPECT_TRUE(nameHidden);
    ASSERT_NE(record.returnPath, nullptr);
    EXPECT_EQ(lstrcmpiA(record.returnPath, folder.c_str()), 0) << record.returnPath;
}
