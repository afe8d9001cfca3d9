#pragma once
#include <string>
#include <vector>

#include "platform/Window.h"
#include "plugin/vst2.h"

namespace strellon {

// What the file selector asks of the plug-in: the host's own file selector
// and the window a dialog of ours belongs to.
class FileSelectorHost {
public:
    virtual ~FileSelectorHost() = default;
    // UI thread.
    virtual bool hostCanDo(const char* capability) = 0;
    virtual bool openHostFileSelector(vst2::VstFileSelect* record) = 0;
    virtual bool closeHostFileSelector(vst2::VstFileSelect* record) = 0;
    // The editor's frame window, or null.
    virtual void* dialogOwner() = 0;
};

// Lets a plug-in ask the user for files or a folder through the host's file
// selector, else the desktop's dialog, and fills the binary interface's
// record with the answer.
class FileSelector {
public:
    explicit FileSelector(FileSelectorHost* host) : host_(host) {}
    // Gives back what the last run produced: to the host when the host
    // filled the record, else the paths this selector made.
    virtual ~FileSelector();
    FileSelector(const FileSelector&) = delete;
    FileSelector& operator=(const FileSelector&) = delete;

    // UI thread: the number of paths returned, 0 when cancelled or failed.
    int run(vst2::VstFileSelect* record);

    // The dialog's file types for a record (load and save differ).
    static std::vector<platform::FileFilter> filtersFor(const vst2::VstFileSelect& record);

private:
    void giveBack();
    int fill(const std::vector<std::string>& paths);

    FileSelectorHost* host_;
    vst2::VstFileSelect* record_ = nullptr;
    bool hostFilled_ = false;
    // What this selector allocated into the record, so that only that is
    // freed: a host's or a caller's memory is never ours to free.
    char* ownReturnPath_ = nullptr;
    char** ownPaths_ = nullptr;
    int ownPathCount_ = 0;
};

} // namespace strellon
