#include "toolkit/OptionMenu.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"

namespace strellon {

MenuScheme::MenuScheme()
    : backColor_{236, 233, 216, 0}, textColor_{0, 0, 0, 0}, selectedBackColor_{49, 106, 197, 0},
      selectedTextColor_{255, 255, 255, 0}, disabledTextColor_{172, 168, 153, 0} {
    // The desktop's menu colours where there is a desktop to ask.
    if (platform::WindowSystem* system = platform::windowSystem()) {
        using platform::SystemColor;
        backColor_ = system->systemColor(SystemColor::menu);
        textColor_ = system->systemColor(SystemColor::menuText);
        selectedBackColor_ = system->systemColor(SystemColor::highlight);
        selectedTextColor_ = system->systemColor(SystemColor::highlightText);
        disabledTextColor_ = system->systemColor(SystemColor::grayText);
    }
}

void MenuScheme::release() {
    if (refCount_ <= 0) return;
    if (--refCount_ == 0) delete this;
}

void MenuScheme::getItemSize(const char* text, DrawContext* context, Point& size) {
    context->setFont(3);
    // Room for a check mark on the left and a little air on the right.
    size = Point(context->getStringWidth(text) + 22, 18);
}

void MenuScheme::drawItem(const char* text, int, int state, DrawContext* context, const Rect& rect) {
    const bool selected = state & kSelected;
    context->setFillColor(selected ? selectedBackColor_ : backColor_);
    context->fillRect(Rect(rect.left - 1, rect.top - 1, rect.right, rect.bottom));
    const Color ink = (state & kDisabled) ? disabledTextColor_ : selected ? selectedTextColor_ : textColor_;
    if (state & kChecked) {
        context->setFrameColor(ink);
        const int y = (rect.top + rect.bottom) / 2;
        const Point tick[] = {{rect.left + 5, y - 1}, {rect.left + 7, y + 2}, {rect.left + 12, y - 4}};
        context->polyline(tick, 3);
    }
    context->setFont(3);
    context->setFontColor(ink);
    context->drawString(text, Rect(rect.left + 18, rect.top, rect.right, rect.bottom), false, 0);
}

// The second background is taken for the callers' sake; nothing draws it.
OptionMenu::OptionMenu(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                       Bitmap* /*background2*/, int style)
    : ParamDisplay(size, background, style) {
    listener_ = listener;
    tag_ = tag;
}

OptionMenu::~OptionMenu() {
    removeAllEntry();
    replaceRetained(scheme_, nullptr);
}

void OptionMenu::setScheme(MenuScheme* scheme) { replaceRetained(scheme_, scheme); }

bool OptionMenu::addEntry(const char* text, int index) {
    if (!text || int(entries_.size()) >= kMaxEntries) return false;
    Entry e;
    e.text.assign(text, strnlen(text, kMaxEntryText));
    try {
        if (index < 0 || index >= int(entries_.size())) entries_.push_back(std::move(e));
        else entries_.insert(entries_.begin() + index, std::move(e));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool OptionMenu::addEntry(OptionMenu* submenu, const char* title) {
    if (!submenu || submenu == this || !title) return false;
    const std::string text = std::string("-M") + title;
    if (!addEntry(text.c_str())) return false;
    entries_.back().submenu = submenu;
    submenu->retain();
    return true;
}

bool OptionMenu::getEntry(int index, char* out) const {
    if (!out || index < 0 || index >= int(entries_.size())) return false;
    std::snprintf(out, kMaxEntryText + 1, "%s", entries_[std::size_t(index)].text.c_str());
    return true;
}

bool OptionMenu::removeEntry(int index) {
    if (index < 0 || index >= int(entries_.size())) return false;
    if (OptionMenu* sub = entries_[std::size_t(index)].submenu) sub->release();
    entries_.erase(entries_.begin() + index);
    return true;
}

void OptionMenu::removeAllEntry() {
    for (Entry& e : entries_)
        if (e.submenu) e.submenu->release();
    entries_.clear();
}

bool OptionMenu::setCurrent(int index) {
    if (index < 0 || index >= int(entries_.size())) return false;
    value_ = float(index);
    return true;
}

int OptionMenu::getCurrent() const {
    if (!std::isfinite(value_)) return -1;
    const int index = int(value_);
    return index >= 0 && index < int(entries_.size()) ? index : -1;
}

bool OptionMenu::checkEntry(int index, bool checked) {
    if (index < 0 || index >= int(entries_.size())) return false;
    entries_[std::size_t(index)].checked = checked;
    return true;
}

void OptionMenu::draw(DrawContext* context) {
    const int current = getCurrent();
    const std::string text = current >= 0 ? entries_[std::size_t(current)].text : std::string();
    drawDisplay(context, text.c_str());
}

std::string OptionMenu::numbered(int index, const std::string& text, bool submenu) const {
    static const char* const plain[] = {"%1d %s", "%02d %s", "%03d %s"};
    static const char* const nested[] = {"-M%1d %s", "-M%02d %s", "-M%03d %s"};
    if (numberStyle_ < kNumber1 || numberStyle_ > kNumber3) return submenu ? "-M" + text : text;
    char out[kMaxEntryText + 16];
    std::snprintf(out, sizeof out, (submenu ? nested : plain)[numberStyle_ - kNumber1], index + 1, text.c_str());
    return out;
}

std::vector<platform::MenuEntry> OptionMenu::buildMenu(int& nextCommand,
                                                       std::vector<std::pair<OptionMenu*, int>>& commands) {
    std::vector<platform::MenuEntry> menu;
    const int current = getCurrent();
    const bool breaks = itemsPerColumn_ > 0 && itemsPerColumn_ < 160;
    for (int i = 0; i < int(entries_.size()); ++i) {
        const Entry& e = entries_[std::size_t(i)];
        platform::MenuEntry item;
        const std::string& t = e.text;
        if (t == "-") {
            item.separator = true;
        } else if (t.rfind("-T", 0) == 0) {
            item.text = t.substr(2);
            item.disabled = true;
        } else if (t.rfind("-G", 0) == 0) {
            item.text = numbered(i, t.substr(2), false);
            item.disabled = true;
        } else if (t.rfind("-M", 0) == 0) {
            item.text = numbered(i, t.substr(2), true).substr(2);
            if (e.submenu) item.submenu = e.submenu->buildMenu(nextCommand, commands);
        } else {
            item.text = numbered(i, t, false);
        }
        if (!item.separator && item.submenu.empty() && !(t.rfind("-T", 0) == 0)) {
            item.command = nextCommand++;
            commands.emplace_back(this, i);
        }
        item.checked = ((style_ & kCheckStyle) && i == current) || ((style_ & 1) && e.checked);
        item.columnBreak = breaks && i > 0 && i % itemsPerColumn_ == 0;
        menu.push_back(std::move(item));
    }
    return menu;
}

namespace {
// Lets a menu scheme paint the window's owner-drawn items.
class SchemePainter final : public platform::MenuPainter {
public:
    SchemePainter(MenuScheme* scheme, Frame* frame) : scheme_(scheme), frame_(frame) {}
    Point measureItem(platform::Surface& s, const char* text) override {
        DrawContext context(frame_, &s, nullptr);
        Point size;
        scheme_->getItemSize(text, &context, size);
        return size;
    }
    void drawItem(platform::Surface& s, const Rect& r, const char* text, int itemId, int state) override {
        DrawContext context(frame_, &s, nullptr);
        scheme_->drawItem(text, itemId, state, &context, Rect(r.left, r.top, r.right, r.bottom + 1));
    }

private:
    MenuScheme* scheme_;
    Frame* frame_;
};
} // namespace

void OptionMenu::onMouseDown(DrawContext* context, Point) {
    if (!clickButtons(context) || !frame_ || !frame_->getWindow()) return;
    int nextCommand = 1;
    std::vector<std::pair<OptionMenu*, int>> commands;
    const std::vector<platform::MenuEntry> menu = buildMenu(nextCommand, commands);
    if (menu.empty()) return;

    // Taking the focus ends an edit in progress elsewhere before the menu
    // opens.
    frame_->setFocusView(this);
    SchemePainter painter(scheme_, frame_);
    // Below the display, or above it in the popup style.
    const bool above = (style_ & kPopupStyle) != 0;
    const Point where(size_.left, above ? size_.top : size_.bottom);
    const int chosen = frame_->getWindow()->popupMenu(menu, where, above ? platform::MenuAlign::above : platform::MenuAlign::below,
                                                      scheme_ ? &painter : nullptr);
    if (frame_->getFocusView() == this) frame_->setFocusView(nullptr);
    if (chosen < 1 || chosen > int(commands.size())) return;
    auto [owner, index] = commands[std::size_t(chosen - 1)];
    owner->value_ = float(index);
    // A submenu is never drawn, so its value alone may not look changed:
    // a choice is always a change.
    owner->setDirty(true);
    owner->notifyListener(context);
}

} // namespace strellon
