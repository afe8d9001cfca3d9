#include "platform/win32/DropTarget.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace strellon::platform {

namespace {

FORMATETC format(CLIPFORMAT type) { return FORMATETC{type, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool endsWithLnk(const char* name) {
    const std::size_t n = std::strlen(name);
    return n >= 4 && lstrcmpiA(name + n - 4, ".lnk") == 0;
}

} // namespace

HRESULT DropTarget::QueryInterface(REFIID id, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(id, IID_IDropTarget) || IsEqualIID(id, IID_IUnknown)) {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG DropTarget::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) {
    accept_ = false;
    FORMATETC text = format(CF_TEXT), files = format(CF_HDROP);
    if (data && (data->QueryGetData(&text) == S_OK || data->QueryGetData(&files) == S_OK)) {
        accept_ = true;
        return DragOver(keys, where, effect);
    }
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT DropTarget::DragOver(DWORD keys, POINTL, DWORD* effect) {
    if (effect) *effect = !accept_ ? DROPEFFECT_NONE : (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    return S_OK;
}

Point DropTarget::cursorInWindow() const {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(window_, &p);
    return Point(p.x, p.y);
}

bool DropTarget::dropText(IDataObject* data) {
    FORMATETC text = format(CF_TEXT);
    STGMEDIUM medium{};
    if (data->GetData(&text, &medium) != S_OK) return false;
    void* bytes = GlobalLock(medium.hGlobal);
    const SIZE_T size = GlobalSize(medium.hGlobal);
    if (bytes && size && client_) {
        void* items[1] = {bytes};
        client_->windowDrop(items, int(size), DropType::text, cursorInWindow());
    }
    if (bytes) GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);  // frees the memory when the medium has no release object
    return true;
}

bool DropTarget::dropFiles(IDataObject* data) {
    FORMATETC files = format(CF_HDROP);
    STGMEDIUM medium{};
    if (data->GetData(&files, &medium) != S_OK) return false;
    HDROP drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> names;
    for (UINT i = 0; i < count; ++i) {
        char name[1024] = {};
        // A name that cannot be read is left out of the list.
        if (DragQueryFileA(drop, i, name, sizeof name) == 0) continue;
        if (endsWithLnk(name)) resolveShortcut(name, sizeof name);
        names.emplace_back(name);
    }
    std::vector<void*> items;
    for (auto& n : names) items.push_back(n.data());
    if (client_) client_->windowDrop(items.data(), int(items.size()), DropType::files, cursorInWindow());
    ReleaseStgMedium(&medium);
    return true;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    if (!data || !client_) return S_OK;
    if (!dropText(data)) dropFiles(data);
    return S_OK;
}

void resolveShortcut(char* name, int size) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[1024];
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 1024);
        char target[1024] = {};
        if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (500 << 16))) &&
            SUCCEEDED(link->GetPath(target, sizeof target, nullptr, SLGP_SHORTPATH)) && target[0])
            lstrcpynA(name, target, size);
        file->Release();
    }
    link->Release();
}

} // namespace strellon::platform
