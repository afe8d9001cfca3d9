#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/x11host/X11HostWindow.h"

namespace strellon::test {

// A host window on the X server in DISPLAY and a user who acts on it from a
// thread of their own while the test's thread plays the host's UI thread.
// Every test fails on any X error in the process.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (tools/xvfb-tests.sh starts one)";
        platform::X11HostWindow::countErrors();
        errorsBefore = platform::X11HostWindow::errors();
        std::string error;
        user = platform::X11User::open(error);
        ASSERT_TRUE(user) << error;
        user->moveTo(Point(1, 1));
    }
    void TearDown() override {
        if (actor.joinable()) actor.join();
        EXPECT_EQ(platform::X11HostWindow::errors(), errorsBefore)
            << "X errors, the last: " << platform::X11HostWindow::lastError();
    }

    std::unique_ptr<platform::X11HostWindow> openHostWindow(int width, int height, Point at = Point(40, 30)) {
        std::string error;
        auto window = platform::X11HostWindow::open(at, width, height, error);
        EXPECT_TRUE(window) << error;
        return window;
    }

    // The user starts acting; the test keeps the host's UI thread going
    // with idle(done) until they are done.
    void act(std::function<void(platform::X11User&)> what) {
        if (actor.joinable()) actor.join();
        done = false;
        actor = std::thread([this, what] {
            what(*user);
            done = true;
        });
    }

    // Counts the pixels of a picture that have the host window's background.
    static int backgroundPixels(platform::CairoSurface& shot) {
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.getPixel(Point(x, y)).sameRgb(platform::X11HostWindow::kBackground)) ++n;
        return n;
    }
    // Pixels that differ between two pictures of one size, inside an area.
    static int differences(platform::CairoSurface& a, platform::CairoSurface& b, const Rect& area) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (!a.getPixel(Point(x, y)).sameRgb(b.getPixel(Point(x, y)))) ++n;
        return n;
    }
    // Where screenshots go when STRELLON_SHOTS names a folder.
    static void keep(platform::CairoSurface* shot, const std::string& name) {
        const char* folder = std::getenv("STRELLON_SHOTS");
        if (shot && folder) shot->savePng((std::string(folder) + "/" + name + ".png").c_str());
    }

    std::unique_ptr<platform::X11User> user;
    std::thread actor;
    std::atomic<bool> done{true};
    int errorsBefore = 0;
};

} // namespace strellon::test
