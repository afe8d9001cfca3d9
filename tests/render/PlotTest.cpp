#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <filesystem>

#include "platform/plot/RenderPlot.h"
#include "platform/plot/Spectrogram.h"

namespace strellon::plot {
namespace {

std::vector<float> sine(double hz, int rate, int frames, float amplitude) {
    std::vector<float> x(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) x[i] = amplitude * static_cast<float>(std::sin(2 * M_PI * hz * i / rate));
    return x;
}

TEST(Plot, SpectrogramFindsASineAtItsLevel) {
    Spectrogram spectrum(4096);
    const std::vector<float>& levels = spectrum.frame(sine(1000.0, 48000, 48000, 0.5f), 24000);
    const auto peak = std::max_element(levels.begin(), levels.end()) - levels.begin();
    EXPECT_NEAR(peak * 48000.0 / 4096, 1000.0, 48000.0 / 4096);
    EXPECT_NEAR(levels[peak], -6.0, 1.5);
    // Beyond the signal is silence.
    EXPECT_LT(spectrum.frame(sine(1000.0, 48000, 100, 0.5f), 100000)[peak], -150.0f);
}

TEST(Plot, WritesAPictureOfTheAskedSize) {
    const std::string path = ::testing::TempDir() + "strellon_plot.png";
    std::string error;
    ASSERT_TRUE(writeRenderPlot(path, sine(440.0, 44100, 44100, 0.8f), 44100, "a sine", error, {800, 400}))
        << error;
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    EXPECT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 800);
    EXPECT_EQ(cairo_image_surface_get_height(png), 400);
    cairo_surface_destroy(png);
    std::filesystem::remove(path);
    // An empty render still draws; an unwritable path is an error.
    EXPECT_TRUE(writeRenderPlot(path, {}, 44100, "nothing", error));
    std::filesystem::remove(path);
    EXPECT_FALSE(writeRenderPlot("/nonexistent/dir/p.png", {}, 44100, "", error));
    EXPECT_NE(error.find("/nonexistent/dir/p.png"), std::string::npos);
}

}  // namespace
}  // namespace strellon::plot
