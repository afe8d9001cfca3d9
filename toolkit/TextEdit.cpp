#include "toolkit/TextEdit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"

namespace strellon {

const char kMsgLooseFocus[] = "LooseFocus";

TextEdit::TextEdit(const Rect& size, ControlListener* listener, int tag, const char* text, Bitmap* background,
                   int style)
    : ParamDisplay(size, background, style) {
    listener_ = listener;
    tag_ = tag;
    if (text) setText(text);
}

void TextEdit::setText(const char* text) {
    const char* from = text ? text : "";
    if (std::strncmp(from, text_, kMaxText) == 0) return;
    std::snprintf(text_, sizeof text_, "%s", from);
    setDirty(true);
}

void TextEdit::getText(char* out) const {
    if (out) std::memcpy(out, text_, sizeof text_);
}

void TextEdit::setTextFormatterWithData(TextFormatterWithData f, void* data) {
    textFormatterWithData_ = f;
    textData_ = data;
}

void TextEdit::draw(DrawContext* context) {
    char shown[kDisplayTextSize];
    formatDisplayText(static_cast<const char*>(text_), shown, textFormatterWithData_, textData_, textFormatter_,
                      [](const char* text, char* out) { std::snprintf(out, kDisplayTextSize, "%s", text); });
    drawDisplay(context, shown);
}

void TextEdit::onMouseDown(DrawContext* context, Point) {
    if (!clickButtons(context) || !frame_ || frame_->getFocusView() == this) return;
    if ((style_ & kDoubleClickStyle) && !isDoubleClick()) return;
    platform::Window* window = frame_->getWindow();
    if (!window) return;

    platform::EditBoxRequest request;
    request.bounds = size_;
    const FontInfo& font = kFontTable[std::clamp(fontId_, 0, kFontCount - 1)];
    request.font.face = font.face;
    request.font.pixelHeight = std::min(font.size, size_.height() - 2);
    request.font.bold = (fontStyle_ & kBoldFace) || fontId_ == 0;
    request.align = textAlign(alignment_);
    request.text = text_;
    request.textColor = fontColor_;
    request.backColor = backColor_;
    request.maxLength = kMaxText;
    request.client = this;
    frame_->setFocusView(this);
    editing_ = window->openEditBox(request);
    if (!editing_ && frame_->getFocusView() == this) frame_->setFocusView(nullptr);
}

void TextEdit::editBoxEnded(const char* text) {
    if (!editing_) return;
    editing_ = false;
    if (frame_ && frame_->getWindow()) frame_->getWindow()->closeEditBox();
    const bool changed = std::strncmp(text ? text : "", text_, kMaxText) != 0;
    if (changed) {
        setText(text);
        notifyListener(nullptr);
    }
    if (parent_) parent_->notify(this, kMsgLooseFocus);
    else if (frame_) frame_->notify(this, kMsgLooseFocus);
    if (frame_ && frame_->getFocusView() == this) frame_->setFocusView(nullptr);
}

void TextEdit::loseFocus(DrawContext*) {
    // Focus moved elsewhere (a click outside the box, say): closing the box
    // hands back what was typed, and editBoxEnded keeps it.
    if (!editing_) return;
    if (frame_ && frame_->getWindow()) frame_->getWindow()->closeEditBox();
    editing_ = false;
}

void TextEdit::takeFocus(DrawContext*) {}

} // namespace strellon
