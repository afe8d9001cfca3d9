#include "host/render/RenderOptions.h"

#include <cmath>
#include <cstdlib>

namespace strellon::render {

namespace {

bool parseInt(const std::string& text, long low, long high, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string renderHelpText() {
    return R"(usage: strellon-render [options] [FILE.mid]

Plays a Standard MIDI File (format 0 or 1) through a VST 2 instrument and
writes the audio. Without a file it plays the bundled demo piece.

  -o, --output FILE     audio file to write (default: the input name with
                        .wav or .flac; demo.wav for the demo); "-" writes
                        to standard output, as flac unless --format says
  --plugin PATH         VST 2 instrument library (default: Strellon.so
                        beside this program)
  --program N|NAME      start on this program (number, or name without
                        regard to blanks and case)
  --param NAME=VALUE    set a parameter to a value from 0 to 1 after the
                        program; repeatable
  --rate HZ             sample rate, 8000 to 384000 (default 44100)
  --block N             block size, 1 to 8192 (default 512)
  --format F            wav16, wav24, wav32f (float) or flac (default: flac
                        for a .flac name or "-", else wav24)
  --tail SECONDS        after the last event, render on until the output is
                        silent, at most this long (default 4)
  --plot FILE.png       also draw the waveform and a spectrogram
  --list-programs       list the plug-in's programs and exit
  --list-params         list the plug-in's parameters and exit
  -h, --help            show this text

A VST 2 plug-in has one current program, so a MIDI program change on any
channel selects that program for the whole plug-in, with the host's program
call (effSetProgram), at the change's own sample. Tempo and time signature
reach the plug-in through the host's time information. Other meta and
system-exclusive events are skipped.
)";
}

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            hasValue = true;
        }
        auto takeValue = [&](std::string& out) {
            if (hasValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--list-programs") {
            options.listPrograms = true;
        } else if (arg == "--list-params") {
            options.listParams = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(options.outputPath)) return false;
        } else if (arg == "--plugin") {
            if (!takeValue(options.pluginPath)) return false;
        } else if (arg == "--plot") {
            if (!takeValue(options.plotPath)) return false;
        } else if (arg == "--program") {
            if (!takeValue(text)) return false;
            options.program = text;
        } else if (arg == "--param") {
            if (!takeValue(text)) return false;
            options.params.push_back(text);
        } else if (arg == "--rate") {
            if (!takeValue(text)) return false;
            if (!parseInt(text, 8000, 384000, options.sampleRate)) {
                error = "--rate wants a whole number of hertz from 8000 to 384000, not \"" + text + "\"";
                return false;
            }
        } else if (arg == "--block") {
            if (!takeValue(text)) return false;
            if (!parseInt(text, 1, 8192, options.blockSize)) {
                error = "--block wants a whole number from 1 to 8192, not \"" + text + "\"";
                return false;
            }
        } else if (arg == "--format") {
            if (!takeValue(text)) return false;
            AudioFormat format;
            if (!parseAudioFormat(text, format)) {
                error = "unknown format \"" + text + "\" (wav16, wav24, wav32f or flac)";
                return false;
            }
            options.format = format;
        } else if (arg == "--tail") {
            if (!takeValue(text)) return false;
            char* end = nullptr;
            const double seconds = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 600) {
                error = "--tail wants seconds from 0 to 600, not \"" + text + "\"";
                return false;
            }
            options.tailSeconds = seconds;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + args[i] + " (see --help)";
            return false;
        } else if (!options.midiPath.empty()) {
            error = "only one MIDI file at a time (" + options.midiPath + " and " + arg + ")";
            return false;
        } else {
            options.midiPath = arg;
        }
        if (hasValue && (arg == "-h" || arg == "--help" || arg == "--list-programs" || arg == "--list-params")) {
            error = "option " + arg + " takes no value";
            return false;
        }
    }
    return true;
}

void completeRenderOptions(RenderOptions& options) {
    // Standard output may be a pipe, and WAV needs to seek back to its header.
    if (!options.format)
        options.format = endsWith(options.outputPath, ".flac") || options.outputPath == "-" ? AudioFormat::flac
                                                                                            : AudioFormat::wav24;
    if (!options.outputPath.empty()) return;
    if (options.midiPath.empty()) {
        options.outputPath = std::string("demo") + audioFormatExtension(*options.format);
        return;
    }
    std::string base = options.midiPath;
    const auto slash = base.find_last_of('/');
    const auto dot = base.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
    options.outputPath = base + audioFormatExtension(*options.format);
}

}  // namespace strellon::render
