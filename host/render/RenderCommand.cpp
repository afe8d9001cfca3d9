#include "host/render/RenderCommand.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "host/PluginHost.h"
#include "host/midi/MidiFile.h"
#include "host/render/AudioFileWriter.h"
#include "host/render/DemoPiece.h"
#include "host/render/OutputFile.h"
#include "host/render/PluginControl.h"
#include "host/render/RenderOptions.h"
#include "host/render/Renderer.h"
#include "platform/plot/RenderPlot.h"

namespace strellon::render {

namespace {

constexpr double kLongestPiece = 24 * 3600.0;
constexpr int kMostChannels = 64;

bool loadPiece(const RenderOptions& options, midi::MidiFile& piece, std::string& error) {
    if (!options.midiPath.empty()) return midi::readMidiFile(options.midiPath, piece, error);
    midi::MidiError failure;
    if (midi::parseMidi(demoPiece(), piece, failure)) return true;
    error = "demo piece: byte " + std::to_string(failure.offset) + ": " + failure.message;
    return false;
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(a, b, ignored);
}

std::unique_ptr<host::HostedPlugin> loadInstrument(const std::string& path, const RenderOptions& options,
                                                   std::string& error) {
    host::HostSettings settings;
    settings.sampleRate = static_cast<float>(options.sampleRate);
    settings.blockSize = options.blockSize;
    auto plugin = host::HostedPlugin::load(path, error, settings);
    if (!plugin) return nullptr;
    const vst2::AEffect* effect = plugin->effect();
    if (!plugin->isInstrument()) {
        error = path + ": not a VST 2 instrument (the plug-in does not say it is a synth)";
        return nullptr;
    }
    if (effect->numOutputs < 1 || effect->numOutputs > kMostChannels || effect->numInputs > kMostChannels) {
        error = path + ": unusable audio layout (" + std::to_string(effect->numInputs) + " inputs, " +
                std::to_string(effect->numOutputs) + " outputs)";
        return nullptr;
    }
    if (!effect->processReplacing && !effect->process) {
        error = path + ": the plug-in has no audio callback";
        return nullptr;
    }
    plugin->dispatch(vst2::effOpen);
    return plugin;
}

// A bar redrawn in place on a terminal, only when its text changes.
class ProgressBar {
public:
    explicit ProgressBar(std::ostream& err, int rate) : err_(err), rate_(rate) {}

    void update(std::int64_t done, std::int64_t planned) {
        char line[120];
        if (done <= planned && planned > 0) {
            const int percent = static_cast<int>(100 * done / planned);
            const int filled = percent * 30 / 100;
            std::snprintf(line, sizeof line, "\r[%.*s%*s] %3d%%  %.1f s", filled,
                          "==============================", 30 - filled, "", percent,
                          static_cast<double>(done) / rate_);
        } else {
            std::snprintf(line, sizeof line, "\r[==============================] tail  %.1f s",
                          static_cast<double>(done) / rate_);
        }
        if (last_ == line) return;
        last_ = line;
        err_ << line << std::flush;
    }
    void finish() {
        if (!last_.empty()) err_ << "\r" << std::string(last_.size(), ' ') << "\r" << std::flush;
    }

private:
    std::ostream& err_;
    int rate_;
    std::string last_;
};

std::string decibels(float peak) {
    char text[32];
    if (peak <= 0.0f)
        std::snprintf(text, sizeof text, "-inf dBFS");
    else
        std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(peak));
    return text;
}

// The audio file and the optional picture: both are written to temporary
// files and appear together only when everything succeeded.
class Outputs {
public:
    explicit Outputs(const RenderOptions& options) : options_(options) {}

    bool open(int channels, std::string& error) {
        return writer_.open(options_.outputPath, *options_.format, channels, options_.sampleRate, error);
    }

    bool write(const float* const* data, int count, int frames) {
        interleaved_.resize(static_cast<std::size_t>(frames) * count);
        for (int i = 0; i < frames; ++i) {
            float sum = 0.0f;
            for (int c = 0; c < count; ++c) {
                interleaved_[static_cast<std::size_t>(i) * count + c] = data[c][i];
                sum += data[c][i];
            }
            if (plotting()) mono_.push_back(sum / count);
        }
        return writer_.write(interleaved_.data(), frames, error_);
    }
    const std::string& writeError() const { return error_; }

    bool commit(std::string& error) {
        if (plotting() && !drawPlot(error)) return false;
        if (!writer_.commit(error)) return false;
        return !plotting() || plot_.commit(error);
    }

private:
    bool plotting() const { return !options_.plotPath.empty(); }

    bool drawPlot(std::string& error) {
        if (!plot_.open(options_.plotPath, error)) return false;
        const std::string title =
            (options_.midiPath.empty() ? std::string("demo piece") : options_.midiPath) + "  ->  " +
            options_.outputPath;
        return plot::writeRenderPlot(plot_.writePath(), mono_, options_.sampleRate, title, error);
    }

    const RenderOptions& options_;
    AudioFileWriter writer_;
    std::vector<float> interleaved_;
    std::vector<float> mono_;
    OutputFile plot_;
    std::string error_;
};

bool setUpPlugin(host::HostedPlugin& plugin, const RenderOptions& options, std::string& error) {
    if (options.program && !selectProgram(plugin, *options.program, error)) return false;
    for (const std::string& assignment : options.params)
        if (!setParameterByName(plugin, assignment, error)) return false;
    return true;
}

std::string summaryLine(const RenderOptions& options, const RenderStats& stats, int channels) {
    const double seconds = static_cast<double>(stats.frames) / options.sampleRate;
    char summary[512];
    std::snprintf(summary, sizeof summary, "%s: %.2f s at %d Hz (%s, %d channel%s), peak %s%s, %.1fx real time",
                  options.outputPath.c_str(), seconds, options.sampleRate, audioFormatName(*options.format),
                  channels, channels == 1 ? "" : "s", decibels(stats.peak).c_str(),
                  stats.peak > 1.0f && *options.format != AudioFormat::wav32f ? " (clipped)" : "",
                  stats.wallSeconds > 0 ? seconds / stats.wallSeconds : 0.0);
    std::string line = summary;
    if (stats.nonFinite) line += "; " + std::to_string(stats.nonFinite) + " non-finite samples written as silence";
    return line + "\n";
}

int fail(std::ostream& err, const std::string& message, int status = 1) {
    err << "strellon-render: " << message << "\n";
    return status;
}

}  // namespace

int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const CommandContext& context) {
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(args, options, error)) return fail(err, error, 2);
    if (options.help) {
        out << renderHelpText();
        return 0;
    }
    completeRenderOptions(options);
    const bool listing = options.listPrograms || options.listParams;

    midi::MidiFile piece;
    if (!listing) {
        if (!loadPiece(options, piece, error)) return fail(err, error);
        if (piece.lengthSeconds > kLongestPiece)
            return fail(err, (options.midiPath.empty() ? "demo" : options.midiPath) + ": lasts " +
                                 std::to_string(static_cast<long>(piece.lengthSeconds / 3600)) +
                                 " hours, longer than 24 hours");
        if (!options.midiPath.empty() && samePath(options.midiPath, options.outputPath))
            return fail(err, "the output " + options.outputPath + " would overwrite the MIDI file");
    }

    const std::string pluginPath = options.pluginPath.empty() ? context.defaultPlugin : options.pluginPath;
    auto plugin = loadInstrument(pluginPath, options, error);
    if (!plugin) return fail(err, error);
    // Listings come after --program and --param, so they show their effect.
    if (!setUpPlugin(*plugin, options, error)) return fail(err, error);
    if (options.listPrograms) out << programListing(*plugin);
    if (options.listParams) out << parameterListing(*plugin);
    if (listing) return 0;

    const int channels = plugin->effect()->numOutputs;
    Outputs outputs(options);
    if (!outputs.open(channels, error)) return fail(err, error);
    ProgressBar bar(err, options.sampleRate);
    ProgressSink progress;
    if (context.progressBar) progress = [&](std::int64_t done, std::int64_t planned) { bar.update(done, planned); };

    RenderSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockSize = options.blockSize;
    settings.tailSeconds = options.tailSeconds;
    settings.stop = context.stop;
    Renderer renderer(*plugin, settings);
    auto sink = [&](const float* const* data, int count, int frames) { return outputs.write(data, count, frames); };
    const bool rendered = renderer.run(piece, sink, progress, error);
    bar.finish();
    if (!rendered) return fail(err, outputs.writeError().empty() ? error : outputs.writeError());
    if (!outputs.commit(error)) return fail(err, error);
    // Audio on standard output must not have the summary mixed into it.
    (options.outputPath == "-" ? err : out) << summaryLine(options, renderer.stats(), channels);
    return 0;
}

}  // namespace strellon::render
