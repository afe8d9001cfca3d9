#include "toolkit/FileSelector.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace strellon {

namespace {

constexpr int kMaxPaths = 1024;

std::string field(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

char* copyOf(const std::string& s) {
    char* out = new (std::nothrow) char[s.size() + 1];
    if (out) std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

platform::FileDialogMode modeOf(int command) {
    switch (command) {
    case vst2::kVstFileSave: return platform::FileDialogMode::save;
    case vst2::kVstMultipleFilesLoad: return platform::FileDialogMode::loadMany;
    case vst2::kVstDirectorySelect: return platform::FileDialogMode::folder;
    default: return platform::FileDialogMode::load;
    }
}

} // namespace

std::vector<platform::FileFilter> FileSelector::filtersFor(const vst2::VstFileSelect& record) {
    std::vector<platform::FileFilter> filters;
    if (record.command == vst2::kVstDirectorySelect) return filters;
    const bool saving = record.command == vst2::kVstFileSave;
    std::vector<std::string> patterns;
    const int types = record.fileTypes ? std::max(0, record.nbFileTypes) : 0;
    for (int i = 0; i < types; ++i) {
        const vst2::VstFileType& t = record.fileTypes[i];
        const std::string dos = field(t.dosType, sizeof t.dosType);
        const std::string unix = field(t.unixType, sizeof t.unixType);
        std::string pattern = "*." + dos;
        if (std::find(patterns.begin(), patterns.end(), pattern) == patterns.end()) patterns.push_back(pattern);
        if (!saving && !unix.empty() && unix != dos) {
            pattern += ";*." + unix;
            if (std::find(patterns.begin(), patterns.end(), "*." + unix) == patterns.end())
                patterns.push_back("*." + unix);
        }
        filters.push_back({field(t.name, sizeof t.name) + " (." + dos + ")", pattern});
    }
    if (saving) return filters;
    if (patterns.size() > 1) {
        std::string all;
        for (const std::string& p : patterns) all += (all.empty() ? "" : ";") + p;
        filters.push_back({"All Types: (" + all + ")", all});
    }
    filters.push_back({"Any Type (*.*)", "*.*"});
    return filters;
}

int FileSelector::run(vst2::VstFileSelect* record) {
    giveBack();
    record_ = record;
    if (!record) return 0;
    record->nbReturnPaths = 0;

    if (host_ && host_->hostCanDo("openFileSelector") && host_->hostCanDo("closeFileSelector")) {
        hostFilled_ = true;
        return host_->openHostFileSelector(record) ? record->nbReturnPaths : 0;
    }
    if (record->command < vst2::kVstFileLoad || record->command > vst2::kVstDirectorySelect) return 0;
    platform::WindowSystem* system = platform::windowSystem();
    if (!system) return 0;

    platform::FileDialogRequest request;
    request.mode = modeOf(record->command);
    request.filters = filtersFor(*record);
    request.title = field(record->title, sizeof record->title);
    if (record->initialPath) request.initialPath = record->initialPath;
    if (record->command == vst2::kVstFileSave && record->fileTypes && record->nbFileTypes > 0)
        request.defaultExtension = field(record->fileTypes[0].dosType, sizeof record->fileTypes[0].dosType);
    request.owner = host_ ? host_->dialogOwner() : nullptr;
    return fill(system->runFileDialog(request));
}

int FileSelector::fill(const std::vector<std::string>& paths) {
    vst2::VstFileSelect* r = record_;
    if (paths.empty()) return 0;
    if (r->command == vst2::kVstMultipleFilesLoad) {
        const int count = std::min<int>(int(paths.size()), kMaxPaths);
        char** list = new (std::nothrow) char*[std::size_t(count)]();
        if (!list) return 0;
        for (int i = 0; i < count; ++i) {
            if (!(list[i] = copyOf(paths[std::size_t(i)]))) {
                for (int j = 0; j < i; ++j) delete[] list[j];
                delete[] list;
                return 0;
            }
        }
        ownPaths_ = r->returnMultiplePaths = list;
        ownPathCount_ = r->nbReturnPaths = count;
        return count;
    }
    const std::string& path = paths.front();
    if (r->returnPath) {
        // The caller's buffer holds sizeReturnPath bytes: a path that does
        // not fit is not cut short into a wrong one, it is refused.
        if (r->sizeReturnPath <= 0 || path.size() + 1 > std::size_t(r->sizeReturnPath)) return 0;
        std::memcpy(r->returnPath, path.c_str(), path.size() + 1);
    } else {
        if (!(ownReturnPath_ = copyOf(path))) return 0;
        r->returnPath = ownReturnPath_;
        r->reserved = 1;
        r->sizeReturnPath = vst2::int32(path.size());
    }
    r->nbReturnPaths = 1;
    return 1;
}

void FileSelector::giveBack() {
    vst2::VstFileSelect* r = record_;
    if (!r) return;
    if (hostFilled_) {
        if (host_ && host_->hostCanDo("closeFileSelector")) host_->closeHostFileSelector(r);
    } else {
        if (ownReturnPath_ && r->returnPath == ownReturnPath_) {
            r->returnPath = nullptr;
            r->sizeReturnPath = 0;
            r->reserved = 0;
        }
        if (ownPaths_ && r->returnMultiplePaths == ownPaths_) {
            r->returnMultiplePaths = nullptr;
            r->nbReturnPaths = 0;
        }
        delete[] ownReturnPath_;
        for (int i = 0; i < ownPathCount_; ++i) delete[] ownPaths_[i];
        delete[] ownPaths_;
    }
    record_ = nullptr;
    hostFilled_ = false;
    ownReturnPath_ = nullptr;
    ownPaths_ = nullptr;
    ownPathCount_ = 0;
}

FileSelector::~FileSelector() { giveBack(); }

} // namespace strellon
