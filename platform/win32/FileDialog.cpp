// The common open and save dialogs behind the toolkit's file selector,
// with the folder mode built from the open dialog.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/Win32Window.h"

namespace strellon::platform {

namespace {

constexpr int kFileNameEdit = 1152, kFileNameLabel = 1090, kTypeCombo = 1136, kTypeLabel = 1089, kFolderLabel = 1091;
constexpr const char* kStateProperty = "StrellonDialogState";

// What one dialog's hooks share. One per dialog, so two dialogs (or two
// plug-ins) never write into each other's answer.
struct DialogState {
    char folder[1024] = {};
    bool noFolderChosen = true;
    WNDPROC oldButtonProc = nullptr;
    std::string title;
};

std::string currentFolder(HWND dialog) {
    char folder[1024] = {};
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    return folder;
}

LRESULT CALLBACK selectButtonProc(HWND button, UINT message, WPARAM w, LPARAM l) {
    auto* state = static_cast<DialogState*>(GetPropA(button, kStateProperty));
    if (!state) return DefWindowProcA(button, message, w, l);
    if (message == WM_SETTEXT && l && std::strcmp(reinterpret_cast<const char*>(l), "Select") != 0) return TRUE;
    if (message == WM_LBUTTONUP || message == WM_RBUTTONUP) {
        char text[32] = {};
        GetWindowTextA(button, text, sizeof text);
        HWND dialog = GetParent(button);
        if (std::strcmp(text, "Select") == 0) {
            const std::string before = currentFolder(dialog);
            const LRESULT r = CallWindowProcA(state->oldButtonProc, button, message, w, l);
            const std::string after = currentFolder(dialog);
            lstrcpynA(state->folder, after.c_str(), sizeof state->folder);
            // The press opened a folder: the dialog stays for the next one.
            if (after != before && !after.empty()) return r;
        }
        state->noFolderChosen = false;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return 0;
    }
    return CallWindowProcA(state->oldButtonProc, button, message, w, l);
}

UINT_PTR CALLBACK folderHook(HWND hook, UINT message, WPARAM, LPARAM l) {
    HWND dialog = GetParent(hook);
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<DialogState*>(reinterpret_cast<OPENFILENAMEA*>(l)->lCustData);
        SetPropA(hook, kStateProperty, state);
        HWND ok = GetDlgItem(dialog, IDOK);
        SetPropA(ok, kStateProperty, state);
        state->oldButtonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&selectButtonProc)));
        return 0;
    }
    auto* state = static_cast<DialogState*>(GetPropA(hook, kStateProperty));
    if (!state) return 0;
    if (message == WM_DESTROY) {
        HWND ok = GetDlgItem(dialog, IDOK);
        SetWindowLongPtrA(ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->oldButtonProc));
        RemovePropA(ok, kStateProperty);
        RemovePropA(hook, kStateProperty);
        return 0;
    }
    if (message != WM_NOTIFY) return 0;
    const auto* note = reinterpret_cast<const OFNOTIFYA*>(l);
    if (note->hdr.code == CDN_INITDONE) {
        for (int id : {kFileNameEdit, kFileNameLabel, kTypeCombo, kTypeLabel})
            SendMessageA(dialog, CDM_HIDECONTROL, WPARAM(id), 0);
        SendMessageA(dialog, CDM_SETCONTROLTEXT, kFolderLabel, reinterpret_cast<LPARAM>("Look in"));
        SendMessageA(dialog, CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>("Select"));
        SendMessageA(dialog, CDM_SETCONTROLTEXT, IDCANCEL, reinterpret_cast<LPARAM>("Cancel"));
    } else if (note->hdr.code == CDN_FILEOK) {
        lstrcpynA(state->folder, currentFolder(dialog).c_str(), sizeof state->folder);
        state->noFolderChosen = false;
    }
    return 0;
}

// The save dialog's caption names the folder it is in.
UINT_PTR CALLBACK titleHook(HWND hook, UINT message, WPARAM, LPARAM l) {
    HWND dialog = GetParent(hook);
    if (message == WM_INITDIALOG) {
        SetPropA(hook, kStateProperty, reinterpret_cast<void*>(reinterpret_cast<OPENFILENAMEA*>(l)->lCustData));
        return 0;
    }
    auto* state = static_cast<DialogState*>(GetPropA(hook, kStateProperty));
    if (message == WM_DESTROY) RemovePropA(hook, kStateProperty);
    if (!state || message != WM_NOTIFY || reinterpret_cast<const OFNOTIFYA*>(l)->hdr.code != CDN_FOLDERCHANGE) return 0;
    std::string caption = state->title;
    if (caption.empty()) {
        char present[322] = {};
        GetWindowTextA(dialog, present, sizeof present);
        caption = present;
        caption = caption.substr(0, caption.find('-'));
    }
    caption += " - [" + currentFolder(dialog) + "]";
    if (caption.size() > 321) caption.resize(321);
    SetWindowTextA(dialog, caption.c_str());
    return 0;
}

// Text and pattern pairs, each ended by a zero byte, and one more at the end.
std::string filterString(const FileDialogRequest& r) {
    std::string s;
    if (r.mode == FileDialogMode::folder) s = std::string("HideFileFilter") + '\0' + "*.___" + '\0';
    for (const FileFilter& f : r.filters) s += f.text + '\0' + f.pattern + '\0';
    return s + '\0';
}

// A multiple selection: a folder followed by names, or one full path.
std::vector<std::string> splitSelection(const char* buffer, std::size_t size) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < size && buffer[at];) {
        const std::size_t n = strnlen(buffer + at, size - at);
        parts.emplace_back(buffer + at, n);
        at += n + 1;
    }
    if (parts.size() <= 1) return parts;
    std::string folder = parts.front();
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
    return paths;
}

} // namespace

std::vector<std::string> Win32WindowSystem::runFileDialog(const FileDialogRequest& r) {
    const bool many = r.mode == FileDialogMode::loadMany;
    std::vector<char> file(many ? 102400 : 1024, '\0');
    char fileTitle[64] = {};
    const std::string filters = filterString(r);
    DialogState state;
    state.title = r.title;

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(r.owner);
    ofn.hInstance = instance_;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size() - 1);
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = sizeof fileTitle;
    ofn.lpstrInitialDir = r.initialPath.empty() ? nullptr : r.initialPath.c_str();
    ofn.lpstrTitle = r.title.empty() ? nullptr : r.title.c_str();
    ofn.lCustData = reinterpret_cast<LPARAM>(&state);
    const DWORD common = OFN_ENABLESIZING | OFN_EXPLORER | OFN_HIDEREADONLY;
    BOOL ok = FALSE;
    switch (r.mode) {
    case FileDialogMode::load:
    case FileDialogMode::loadMany:
        ofn.Flags = common | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | (many ? OFN_ALLOWMULTISELECT : 0);
        ok = GetOpenFileNameA(&ofn);
        break;
    case FileDialogMode::folder:
        ofn.Flags = common | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK;
        ofn.lpfnHook = folderHook;
        ok = GetOpenFileNameA(&ofn);
        // Closed by the Select button: a chosen folder is an answer.
        if (!ok && (state.noFolderChosen || !state.folder[0])) return {};
        return {state.folder};
    case FileDialogMode::save:
        ofn.Flags = common | OFN_ENABLEHOOK;
        ofn.lpfnHook = titleHook;
        ofn.lpstrDefExt = r.defaultExtension.empty() ? nullptr : r.defaultExtension.c_str();
        ok = GetSaveFileNameA(&ofn);
        break;
    }
    if (!ok) return {};
    if (many) return splitSelection(file.data(), file.size());
    return {std::string(file.data())};
}

} // namespace strellon::platform
