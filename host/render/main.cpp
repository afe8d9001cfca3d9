// strellon-render: plays a MIDI file, or the bundled demo, through a VST 2
// instrument and writes audio. See --help.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>

#include "host/PluginHost.h"
#include "host/render/RenderCommand.h"

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

int main(int argc, char** argv) {
    // Ctrl-C ends the render cleanly, so the temporary file is removed.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    strellon::render::CommandContext context;
    context.defaultPlugin = strellon::host::besideProgram("Strellon.so");
    context.progressBar = isatty(STDERR_FILENO) != 0;
    context.stop = &interrupted;
    return strellon::render::runRenderCommand({argv + 1, argv + argc}, std::cout, std::cerr, context);
}
