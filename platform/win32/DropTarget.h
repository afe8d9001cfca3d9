#pragma once
#include <windows.h>
#include <ole2.h>

#include "platform/Window.h"

namespace strellon::platform {

// The frame window's OLE drop target: takes text and file lists (with
// shortcuts followed to their targets) and hands them to the client.
class DropTarget final : public IDropTarget {
public:
    DropTarget(HWND window, WindowClient* client) : window_(window), client_(client) {}
    virtual ~DropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override;

    // The client goes before the target when the window does.
    void forgetClient() { client_ = nullptr; }

private:
    Point cursorInWindow() const;
    bool dropText(IDataObject* data);
    bool dropFiles(IDataObject* data);

    HWND window_;
    WindowClient* client_;
    ULONG references_ = 0;
    bool accept_ = false;
};

// Follows a shortcut (.lnk) to its target, in short form, into name (of
// size bytes); leaves name alone when it cannot.
void resolveShortcut(char* name, int size);

} // namespace strellon::platform
