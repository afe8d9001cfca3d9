#include "toolkit/SplashScreen.h"

#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"

namespace strellon {

SplashScreen::SplashScreen(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                           const Rect& displayArea, Point offset)
    : Control(size, listener, tag, background), displayArea_(displayArea), offset_(offset) {}

void SplashScreen::draw(DrawContext* context) {
    if (value_ != 0.0f) drawBackgroundAt(context, displayArea_, offset_);
    setDirty(false);
}

bool SplashScreen::hitTest(Point where, int buttons) {
    return size_.containsWithEdges(where) && (buttons & kLButton);
}

void SplashScreen::onMouseDown(DrawContext* context, Point) {
    if (!clickButtons(context)) return;
    if (value_ == 0.0f) {
        value_ = 1.0f;
        if (!frame_ || !frame_->setModalView(this)) {
            setDirty(true);
            return;
        }
        keepSize_ = size_;
        sizeKept_ = true;
        size_ = displayArea_;
        draw(context);
    } else {
        value_ = 0.0f;
        if (sizeKept_) size_ = keepSize_;
        if (frame_) {
            frame_->setModalView(nullptr);
            frame_->draw(context);
        }
    }
    if (listener_) listener_->valueChanged(context, this);
    setDirty(true);
}

void SplashScreen::closeSplash() {
    setDirty(true);
    // Bounds are only put back when a click saved them: before the first
    // opening there is nothing to restore, and zero bounds would hide it.
    if (sizeKept_) size_ = keepSize_;
    value_ = 0.0f;
    if (frame_ && frame_->getModalView() == this) {
        frame_->setModalView(nullptr);
        frame_->drawView(nullptr);
    }
}

} // namespace strellon
