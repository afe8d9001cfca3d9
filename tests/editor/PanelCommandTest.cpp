// strellon-panel's command line: what it accepts, refuses and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tools/panel/PanelCommand.h"

namespace strellon::test {
namespace {

int run(const std::vector<std::string>& args, std::string* errors = nullptr) {
    std::ostringstream out, err;
    const int status = panel::runPanelCommand(args, out, err);
    if (errors) *errors = err.str();
    return status;
}

TEST(PanelCommand, WritesAPictureAfterScriptedGestures) {
    const std::string png = ::testing::TempDir() + "strellon-panel-test.png";
    std::filesystem::remove(png);
    EXPECT_EQ(run({"--program", "3", "--set", "83=0.5", "--set", "Chorus=0.2", "--notes", "60,67",
                   "--drag", "551,272:551,220", "--click", "300,20", "--click", "300,200", "-o", png}),
              0);
    ASSERT_TRUE(std::filesystem::exists(png));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    std::filesystem::remove(png);
}

TEST(PanelCommand, RefusesWhatItCannotDo) {
    std::string errors;
    EXPECT_EQ(run({"--drag", "1,2"}, &errors), 2);
    EXPECT_NE(errors.find("X,Y:X2,Y2"), std::string::npos);
    EXPECT_EQ(run({"--click", "a,b"}), 2);
    EXPECT_EQ(run({"--notes", "60,200"}), 2);
    EXPECT_EQ(run({"--set", "84=0.5"}), 2);
    EXPECT_EQ(run({"--set", "NoSuchKnob=0.5"}), 2);
    EXPECT_EQ(run({"--program", "128"}), 2);
    EXPECT_EQ(run({"--bogus"}), 2);
    EXPECT_EQ(run({"-o", "/nonexistent-folder/panel.png"}), 1);
}

TEST(PanelCommand, TheDemosFirstProgramComesFromThePiece) {
    const int program = panel::demoFirstProgram();
    EXPECT_GE(program, 0);
    EXPECT_LT(program, 128);
}

}  // namespace
}  // namespace strellon::test
