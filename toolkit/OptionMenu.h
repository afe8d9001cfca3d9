#pragma once
#include <string>
#include <vector>

#include "platform/Window.h"
#include "toolkit/ParamDisplay.h"

namespace strellon {

// Paints owner-drawn option menu items: measures an item's text and draws it
// normal, selected, check-marked or disabled. Reference counted.
class MenuScheme {
public:
    enum State : int { kChecked = 1, kDisabled = 2, kSelected = 4 };

    MenuScheme();
    void retain() { ++refCount_; }
    void release();
    int referenceCount() const { return refCount_; }

    virtual void getItemSize(const char* text, DrawContext* context, Point& size);
    virtual void drawItem(const char* text, int itemId, int state, DrawContext* context, const Rect& rect);

protected:
    virtual ~MenuScheme() = default;

    Color backColor_;
    Color textColor_;
    Color selectedBackColor_;
    Color selectedTextColor_;
    Color disabledTextColor_;

private:
    int refCount_ = 1;
};

// A display whose value is the index of the current entry; a click shows
// the entries as a popup menu. Entry prefixes: "-" alone a separator, "-T"
// a title, "-G" greyed, "-M" a submenu.
class OptionMenu : public ParamDisplay {
public:
    static constexpr int kMaxEntries = 1024;
    static constexpr int kMaxEntryText = 255;
    enum Numbering : int { kNoNumber = 0, kNumber1 = 2, kNumber2 = 3, kNumber3 = 4 };

    OptionMenu(const Rect& size, ControlListener* listener, int tag, Bitmap* background = nullptr,
               Bitmap* background2 = nullptr, int style = 0);

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;

    virtual bool addEntry(const char* text, int index = -1);
    virtual bool addEntry(OptionMenu* submenu, const char* title);
    virtual int getNbEntries() const { return int(entries_.size()); }
    virtual bool getEntry(int index, char* out) const;
    virtual bool removeEntry(int index);
    virtual void removeAllEntry();
    virtual bool setCurrent(int index);
    virtual int getCurrent() const;
    virtual bool checkEntry(int index, bool checked);
    virtual void setNbItemsPerColumn(int count) { itemsPerColumn_ = count; }
    virtual void setNumberStyle(int style) { numberStyle_ = style; }
    virtual void setScheme(MenuScheme* scheme);
    virtual MenuScheme* getScheme() const { return scheme_; }

protected:
    ~OptionMenu() override;

private:
    struct Entry {
        std::string text;
        OptionMenu* submenu = nullptr;
        bool checked = false;
    };
    std::string numbered(int index, const std::string& text, bool submenu) const;
    // A new popup menu of the entries and their submenus. Chosen entries get
    // commands from nextCommand on; commands[c - 1] is command c's menu and
    // entry.
    std::vector<platform::MenuEntry> buildMenu(int& nextCommand,
                                               std::vector<std::pair<OptionMenu*, int>>& commands);

    std::vector<Entry> entries_;
    MenuScheme* scheme_ = nullptr;
    int itemsPerColumn_ = -1;
    int numberStyle_ = kNoNumber;
};

} // namespace strellon
