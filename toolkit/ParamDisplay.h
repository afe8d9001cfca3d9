#pragma once
#include "toolkit/Colors.h"
#include "toolkit/View.h"

namespace strellon {

// Formatters write at most 255 characters and a terminator.
constexpr int kDisplayTextSize = 256;
using ValueFormatter = void (*)(float value, char* text);
using ValueFormatterWithData = void (*)(float value, char* text, void* data);
using StringConverter = void (*)(char* text, float* value, void* data);

// The text a display shows for input: the formatter with data when there is
// one, else the plain formatter, else the fallback; always terminated.
template <class In, class WithData, class Plain, class Fallback>
void formatDisplayText(In input, char* text, WithData withData, void* data, Plain plain, Fallback fallback) {
    text[0] = 0;
    if (withData) withData(input, text, data);
    else if (plain) plain(input, text);
    else fallback(input, text);
    text[kDisplayTextSize - 1] = 0;
}

// Draws its value as text over a bitmap or a filled box.
class ParamDisplay : public Control {
public:
    enum Style : int {
        kShadowText = 0x4,
        k3DIn = 0x80,
        k3DOut = 0x100,
        kPopupStyle = 0x200,
        kCheckStyle = 0x400,
        kNoTextStyle = 0x800,
        kNoDrawStyle = 0x1000,
        kDoubleClickStyle = 0x2000,
    };

    ParamDisplay(const Rect& size, Bitmap* background = nullptr, int style = 0);

    void draw(DrawContext* context) override;

    virtual void setFont(int fontId);
    virtual void setFontColor(Color c);
    virtual void setBackColor(Color c);
    virtual void setFrameColor(Color c);
    virtual void setShadowColor(Color c);
    virtual void setAlignment(int alignment);
    virtual void setValueFormatterWithData(ValueFormatterWithData f, void* data);
    virtual void setValueFormatter(ValueFormatter f) { formatter_ = f; }
    virtual void setConverter2(StringConverter f) { converter2_ = f; }
    virtual void setStyle(int style);
    virtual void setFontStyle(int style);
    virtual void setTextTransparent(bool flag) { textTransparent_ = flag; }

    int getFont() const { return fontId_; }
    int getStyle() const { return style_; }
    int getAlignment() const { return alignment_; }
    Color getFontColor() const { return fontColor_; }
    Color getBackColor() const { return backColor_; }
    // The text draw would show for the present value.
    void formatValue(char* text) const;

protected:
    // Background, border and text, as every display draws them.
    void drawDisplay(DrawContext* context, const char* text);
    void setColor(Color& field, Color c);

    ValueFormatter formatter_ = nullptr;
    ValueFormatterWithData formatterWithData_ = nullptr;
    StringConverter converter2_ = nullptr;
    void* userData_ = nullptr;
    int alignment_ = 1;
    int style_;
    int fontId_ = 3;
    int fontStyle_ = 0;
    Color fontColor_ = white;
    Color backColor_ = black;
    Color frameColor_ = black;
    Color shadowColor_ = red;
    bool textTransparent_ = true;
};

} // namespace strellon
