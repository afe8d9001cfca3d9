#include "toolkit/ParamDisplay.h"

#include <cstdio>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"

namespace strellon {

ParamDisplay::ParamDisplay(const Rect& size, Bitmap* background, int style)
    : Control(size, nullptr, 0, background), style_(style) {
    if (style & kNoDrawStyle) setDirty(false);
}

void ParamDisplay::formatValue(char* text) const {
    formatDisplayText(value_, text, formatterWithData_, userData_, formatter_, [](float value, char* out) {
        std::snprintf(out, kDisplayTextSize, "%2.2f", double(value));
    });
}

void ParamDisplay::draw(DrawContext* context) {
    char text[kDisplayTextSize];
    formatValue(text);
    drawDisplay(context, text);
}

void ParamDisplay::drawDisplay(DrawContext* context, const char* text) {
    setDirty(false);
    if (style_ & kNoDrawStyle) return;

    if (background_) {
        drawBackground(context, backOffset_);
    } else if (!transparent_) {
        context->setFillColor(backColor_);
        context->fillRect(size_);
        if (!(style_ & (k3DIn | k3DOut))) {
            context->setFrameColor(frameColor_);
            context->drawRect(size_);
        }
    }
    if (style_ & (k3DIn | k3DOut)) {
        const bool sunken = style_ & k3DIn;
        context->setFrameColor(sunken ? backColor_ : frameColor_);
        context->moveTo(Point(size_.left, size_.bottom));
        context->lineTo(Point(size_.left, size_.top));
        context->lineTo(Point(size_.right + 1, size_.top));
        context->setFrameColor(sunken ? frameColor_ : backColor_);
        context->moveTo(Point(size_.right, size_.top + 1));
        context->lineTo(Point(size_.right, size_.bottom));
        context->lineTo(Point(size_.left, size_.bottom));
    }
    if ((style_ & kNoTextStyle) || !text || !text[0]) return;

    context->setFont(fontId_, 0, fontStyle_);
    if (style_ & kShadowText) {
        context->setFontColor(shadowColor_);
        context->drawString(text, size_.offset(1, 1), !textTransparent_, alignment_);
    }
    context->setFontColor(fontColor_);
    context->drawString(text, size_, !textTransparent_, alignment_);
}

void ParamDisplay::setColor(Color& field, Color c) {
    const bool changed = !field.sameRgb(c);
    field = c;
    if (changed) setDirty(true);
}

void ParamDisplay::setFont(int fontId) {
    if (fontId_ != fontId) setDirty(true);
    fontId_ = fontId;
}

void ParamDisplay::setFontColor(Color c) { setColor(fontColor_, c); }
void ParamDisplay::setBackColor(Color c) { setColor(backColor_, c); }
void ParamDisplay::setFrameColor(Color c) { setColor(frameColor_, c); }
void ParamDisplay::setShadowColor(Color c) { setColor(shadowColor_, c); }

void ParamDisplay::setAlignment(int alignment) {
    if (alignment_ != alignment) setDirty(true);
    alignment_ = alignment;
}

void ParamDisplay::setValueFormatterWithData(ValueFormatterWithData f, void* data) {
    formatterWithData_ = f;
    userData_ = data;
}

void ParamDisplay::setStyle(int style) {
    if (style_ != style) setDirty(true);
    style_ = style;
}

void ParamDisplay::setFontStyle(int style) {
    if (fontStyle_ != style) setDirty(true);
    fontStyle_ = style;
}

} // namespace strellon
