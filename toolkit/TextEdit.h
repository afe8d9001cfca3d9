#pragma once
#include "platform/Window.h"
#include "toolkit/ParamDisplay.h"

namespace strellon {

// Sent to the parent (or the frame) when a text edit ends.
extern const char kMsgLooseFocus[];

using TextFormatter = void (*)(const char* text, char* out);
using TextFormatterWithData = void (*)(const char* text, char* out, void* data);

// A text field drawn like a display and edited in the window's native edit
// box laid over it; it is the frame's focus view while the box is open.
class TextEdit : public ParamDisplay, private platform::EditBoxClient {
public:
    static constexpr int kMaxText = 255;

    TextEdit(const Rect& size, ControlListener* listener, int tag, const char* text = nullptr,
             Bitmap* background = nullptr, int style = 0);

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void loseFocus(DrawContext* context) override;
    void takeFocus(DrawContext* context) override;

    virtual void setText(const char* text);
    virtual void getText(char* out) const;
    virtual void setTextFormatterWithData(TextFormatterWithData f, void* data);
    virtual void setTextFormatter(TextFormatter f) { textFormatter_ = f; }

    const char* text() const { return text_; }
    bool isEditing() const { return editing_; }

private:
    void editBoxEnded(const char* text) override;

    char text_[kMaxText + 1] = {};
    TextFormatter textFormatter_ = nullptr;
    TextFormatterWithData textFormatterWithData_ = nullptr;
    void* textData_ = nullptr;
    bool editing_ = false;
};

} // namespace strellon
