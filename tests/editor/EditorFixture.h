// The linked-in plug-in with its editor on the headless window, opened
// through the dispatcher, and a folder of its own for the decorations file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "editor/InstrumentEditor.h"
#include "toolkit/Frame.h"
#include "toolkit/View.h"
#include "tools/panel/PanelSession.h"

namespace strellon::test {

// Positions of the controls in the frame, in the order open adds them.
namespace at {
constexpr int globals = 0, exciter = 12, tuning = 24, fixing = 36, nisFilter = 48, link = 60,
              led = 72, display = 82, about = 94, help = 95, lamp = 96, decoration = 108;
}  // namespace at

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<panel::PanelSession>();
        ASSERT_TRUE(session->ok()) << session->error();
        char pattern[] = "/tmp/strellon-editor-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        editor().setDecorationsDirectory(folder);
        Frame::setKnobMode(0);
    }
    void TearDown() override {
        session.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void open() { ASSERT_EQ(session->open(), 1); }
    void close() { session->close(); }
    void idle() { session->idle(); }
    host::HostedPlugin& plugin() { return session->plugin(); }
    InstrumentEditor& editor() { return session->editor(); }
    Frame* frame() { return editor().getFrame(); }
    Control* control(int position) { return dynamic_cast<Control*>(frame()->getViewAt(position)); }
    float value(int position) { return control(position)->getValue(); }
    void set(int index, float v) { plugin().setParameter(index, v); }
    std::string decorationsPath() const { return folder + "/decorations.txt"; }
    void writeDecorations(const std::string& text) { std::ofstream(decorationsPath()) << text; }
    std::string readDecorations() const {
        std::ifstream in(decorationsPath());
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    std::unique_ptr<panel::PanelSession> session;
    std::string folder;
};

}  // namespace strellon::test
