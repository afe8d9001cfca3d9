// The frame window's OLE drop target with a data object of our own: text
// and file lists reach the window's client, other data does not.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/DropTarget.h"

using namespace strellon;

namespace {

// Offers one format, made fresh for each GetData as a drag source would.
class OneFormat final : public IDataObject {
public:
    OneFormat(CLIPFORMAT format, std::string bytes) : format_(format), bytes_(std::move(bytes)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDataObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* m) override {
        if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        std::memcpy(GlobalLock(memory), bytes_.data(), bytes_.size());
        GlobalUnlock(memory);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = memory;
        m->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
        return f && f->cfFormat == format_ && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    CLIPFORMAT format_;
    std::string bytes_;
    ULONG refs_ = 1;
};

// A file list as the shell hands it over: DROPFILES, then the names.
std::string fileList(const std::vector<std::string>& names) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const auto& n : names) bytes += n + '\0';
    return bytes + '\0';
}

struct Recorder : platform::WindowClient {
    std::vector<std::string> items;
    int count = -1;
    platform::DropType type{};
    void windowPaint(platform::Surface&, const Rect&) override {}
    void windowMouseDown(Point, const std::optional<platform::InputState>&) override {}
    void windowWheel(Point, float, const platform::InputState&) override {}
    int windowKey(const platform::KeyEvent&, bool) override { return -1; }
    void windowDestroyed() override {}
    bool windowDrop(void** list, int n, platform::DropType t, Point) override {
        count = n;
        type = t;
        if (t == platform::DropType::text) items.emplace_back(static_cast<const char*>(list[0]));
        else
            for (int i = 0; i < n; ++i) items.emplace_back(static_cast<const char*>(list[i]));
        return true;
    }
};

} // namespace

TEST(DropTarget, TakesTextAndFileListsAndRefusesTheRest) {
    Recorder client;
    auto* target = new platform::DropTarget(GetDesktopWindow(), &client);
    target->AddRef();
    DWORD effect = 0;

    OneFormat text(CF_TEXT, std::string("harp\0", 5));
    target->DragEnter(&text, MK_CONTROL, POINTL{}, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    target->DragOver(0, POINTL{}, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    target->Drop(&text, 0, POINTL{}, &effect);
    EXPECT_EQ(client.type, platform::DropType::text);
    EXPECT_EQ(client.count, 5);  // the byte size of the text
    EXPECT_EQ(client.items, std::vector<std::string>{"harp"});

    client.items.clear();
    OneFormat files(CF_HDROP, fileList({"C:\\a.wav", "C:\\b.txt"}));
    target->DragEnter(&files, 0, POINTL{}, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    target->Drop(&files, 0, POINTL{}, &effect);
    EXPECT_EQ(client.type, platform::DropType::files);
    EXPECT_EQ(client.items, (std::vector<std::string>{"C:\\a.wav", "C:\\b.txt"}));

    client.count = -1;
    OneFormat bitmap(CF_BITMAP, "x");
    target->DragEnter(&bitmap, 0, POINTL{}, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->Drop(&bitmap, 0, POINTL{}, &effect);
    EXPECT_EQ(client.count, -1);
    target->Release();
}
