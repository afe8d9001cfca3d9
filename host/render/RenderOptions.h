// The command line of strellon-render. Main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/render/AudioFileWriter.h"

namespace strellon::render {

struct RenderOptions {
    std::string pluginPath;   // empty: the Strellon.so beside the program
    std::string midiPath;     // empty: the bundled demo piece
    std::string outputPath;   // empty: from the input name
    std::string plotPath;
    std::optional<std::string> program;
    std::vector<std::string> params;  // NAME=VALUE, in order
    int sampleRate = 44100;
    int blockSize = 512;
    std::optional<AudioFormat> format;  // empty: from the output name, else wav24
    double tailSeconds = 4.0;
    bool listPrograms = false;
    bool listParams = false;
    bool help = false;
};

// Parses the arguments after the program name. False with a one-line error.
bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error);

// Fills in the output name and format the user left out.
void completeRenderOptions(RenderOptions& options);

std::string renderHelpText();

}  // namespace strellon::render
