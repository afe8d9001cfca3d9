#include "platform/plot/RenderPlot.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/plot/Spectrogram.h"

namespace strellon::plot {

namespace {

constexpr double kLeft = 64, kRight = 16, kTop = 40, kBottom = 30, kGap = 26;
constexpr double kFloorDb = -110.0;
constexpr double kLowestHz = 30.0;

struct Rgb {
    double r, g, b;
};

// Dark for quiet, through violet and orange to pale yellow for loud, so
// partials stand out the way people expect from a spectrogram.
Rgb heat(double t) {
    static const Rgb stops[] = {{0.02, 0.02, 0.05}, {0.16, 0.05, 0.38}, {0.58, 0.10, 0.50},
                                {0.95, 0.45, 0.12}, {1.00, 0.95, 0.70}};
    t = std::clamp(t, 0.0, 1.0) * 4.0;
    const int i = std::min(static_cast<int>(t), 3);
    const double f = t - i;
    const Rgb& a = stops[i];
    const Rgb& b = stops[i + 1];
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

void label(cairo_t* cr, double x, double y, const char* text, double alignX) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, x - extents.x_advance * alignX, y);
    cairo_show_text(cr, text);
}

double niceStep(double span, int wanted) {
    const double raw = span / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10.0 * power;
}

void drawWaveform(cairo_t* cr, const std::vector<float>& mono, double x0, double y0, double w,
                  double h) {
    cairo_set_source_rgb(cr, 0.07, 0.08, 0.10);
    cairo_rectangle(cr, x0, y0, w, h);
    cairo_fill(cr);
    const double mid = y0 + h / 2;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x0, mid + 0.5);
    cairo_line_to(cr, x0 + w, mid + 0.5);
    cairo_stroke(cr);
    if (mono.empty()) return;
    cairo_set_source_rgb(cr, 0.35, 0.85, 0.80);
    const int columns = static_cast<int>(w);
    for (int c = 0; c < columns; ++c) {
        const std::size_t from = mono.size() * c / columns;
        const std::size_t to = std::max(from + 1, mono.size() * (c + 1) / columns);
        float lo = 0.0f, hi = 0.0f;
        for (std::size_t i = from; i < to && i < mono.size(); ++i) {
            lo = std::min(lo, mono[i]);
            hi = std::max(hi, mono[i]);
        }
        const double top = mid - std::clamp(hi, -1.0f, 1.0f) * h / 2;
        const double bottom = mid - std::clamp(lo, -1.0f, 1.0f) * h / 2;
        cairo_rectangle(cr, x0 + c, top, 1, std::max(1.0, bottom - top));
    }
    cairo_fill(cr);
}

void drawSpectrogram(cairo_t* cr, const std::vector<float>& mono, int rate, double x0, double y0,
                     int w, int h) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_surface_flush(image);
    unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    Spectrogram spectrum(rate > 48000 ? 8192 : 4096);
    const double binHz = static_cast<double>(rate) / spectrum.fftSize();
    const double highest = std::min(20000.0, rate / 2.0);
    const int bins = spectrum.fftSize() / 2;
    // The bin range of each pixel row: a row spans a band of the log axis.
    std::vector<int> firstBin(h), lastBin(h);
    for (int y = 0; y < h; ++y) {
        const double upper = kLowestHz * std::pow(highest / kLowestHz, 1.0 - static_cast<double>(y) / h);
        const double lower = kLowestHz * std::pow(highest / kLowestHz, 1.0 - static_cast<double>(y + 1) / h);
        firstBin[y] = std::clamp(static_cast<int>(std::lround(lower / binHz)), 0, bins);
        lastBin[y] = std::clamp(static_cast<int>(std::lround(upper / binHz)), firstBin[y], bins);
    }
    for (int x = 0; x < w; ++x) {
        const long centre = static_cast<long>((x + 0.5) * mono.size() / w);
        const std::vector<float>& levels = spectrum.frame(mono, centre);
        for (int y = 0; y < h; ++y) {
            float level = levels[firstBin[y]];
            for (int k = firstBin[y] + 1; k <= lastBin[y]; ++k) level = std::max(level, levels[k]);
            const Rgb c = heat((level - kFloorDb) / -kFloorDb);
            auto* pixel = reinterpret_cast<std::uint32_t*>(pixels + y * stride) + x;
            *pixel = (static_cast<std::uint32_t>(c.r * 255) << 16) |
                     (static_cast<std::uint32_t>(c.g * 255) << 8) | static_cast<std::uint32_t>(c.b * 255);
        }
    }
    cairo_surface_mark_dirty(image);
    cairo_set_source_surface(cr, image, x0, y0);
    cairo_paint(cr);
    cairo_surface_destroy(image);

    cairo_set_font_size(cr, 11);
    for (double hz : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
        if (hz > highest) break;
        const double y = y0 + h * (1.0 - std::log(hz / kLowestHz) / std::log(highest / kLowestHz));
        char text[16];
        std::snprintf(text, sizeof text, hz >= 1000 ? "%.0fk" : "%.0f", hz >= 1000 ? hz / 1000 : hz);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
        cairo_rectangle(cr, x0, std::round(y), w, 1);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
        label(cr, x0 - 6, y + 4, text, 1.0);
    }
}

void drawTimeAxis(cairo_t* cr, double seconds, double x0, double y, double w) {
    if (seconds <= 0) return;
    const double step = niceStep(seconds, 10);
    cairo_set_font_size(cr, 11);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    for (double t = 0; t <= seconds + 1e-9; t += step) {
        char text[16];
        std::snprintf(text, sizeof text, step < 1 ? "%.1f s" : "%.0f s", t);
        label(cr, x0 + w * t / seconds, y, text, t == 0 ? 0.0 : 0.5);
    }
}

}  // namespace

bool writeRenderPlot(const std::string& pngPath, const std::vector<float>& mono, int sampleRate,
                     const std::string& title, std::string& error, PlotSize size) {
    if (sampleRate <= 0 || size.width < 200 || size.height < 200) {
        error = "cannot plot: bad sample rate or picture size";
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.11, 0.12, 0.15);
    cairo_paint(cr);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    const double plotW = size.width - kLeft - kRight;
    const double plotH = size.height - kTop - kBottom - kGap;
    const double waveH = std::round(plotH * 0.28);
    const double specTop = kTop + waveH + kGap;
    drawWaveform(cr, mono, kLeft, kTop, plotW, waveH);
    drawSpectrogram(cr, mono, sampleRate, kLeft, specTop, static_cast<int>(plotW),
                    static_cast<int>(plotH - waveH));
    const double seconds = static_cast<double>(mono.size()) / sampleRate;
    drawTimeAxis(cr, seconds, kLeft, kTop + waveH + 16, plotW);
    drawTimeAxis(cr, seconds, kLeft, size.height - 10, plotW);

    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_set_font_size(cr, 15);
    label(cr, kLeft, 25, title.c_str(), 0.0);

    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, pngPath.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + pngPath + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace strellon::plot
