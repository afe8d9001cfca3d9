#pragma once
#include <memory>
#include <vector>

#include "platform/Surface.h"
#include "toolkit/Colors.h"
#include "toolkit/Retained.h"

namespace strellon {

class DrawContext;

// A reference-counted picture from the library's bitmap resources. Created
// with a count of 1; release() deletes it when the count falls to 0.
class Bitmap {
public:
    // UI thread. A bitmap that fails to load has size 0 and draws nothing.
    explicit Bitmap(int resourceId);
    Bitmap(int width, int height);
    // Takes a ready picture; for pictures made in code.
    explicit Bitmap(std::unique_ptr<platform::Surface> picture);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain() { ++refCount_; }
    void release();
    int referenceCount() const { return refCount_; }

    platform::Surface* getHandle() const { return surface_.get(); }
    bool isLoaded() const { return surface_ != nullptr; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    int getResourceId() const { return resourceId_; }

    void draw(DrawContext* context, const Rect& rect, Point offset = Point());
    void drawTransparent(DrawContext* context, const Rect& rect, Point offset = Point());
    void drawAlphaBlend(DrawContext* context, const Rect& rect, Point offset, int alpha);
    // Marks, from the context's pixels at the point, where the key colour is.
    void createMask(DrawContext* context, Point point);
    bool hasMask() const { return mask_ != nullptr; }
    void setTransparentColor(Color c) { transparentColor_ = c; }
    Color getTransparentColor() const { return transparentColor_; }

protected:
    virtual ~Bitmap() = default;

private:
    int resourceId_ = 0;
    int refCount_ = 1;
    int width_ = 0;
    int height_ = 0;
    Color transparentColor_ = strellon::transparentColor;
    std::unique_ptr<platform::Surface> surface_;
    std::unique_ptr<platform::Mask> mask_;
};

} // namespace strellon
