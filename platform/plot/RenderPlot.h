// A picture of a render: the waveform above, a spectrogram with a logarithmic
// frequency axis below, written as a PNG with cairo. Main thread.
#pragma once

#include <string>
#include <vector>

namespace strellon::plot {

struct PlotSize {
    int width = 1200;
    int height = 640;
};

// mono: the render mixed down to one channel. Returns false with error set
// when the picture cannot be written.
bool writeRenderPlot(const std::string& pngPath, const std::vector<float>& mono, int sampleRate,
                     const std::string& title, std::string& error, PlotSize size = {});

}  // namespace strellon::plot
