// strellon-editor-host [--seconds S] [--shot out.png] [plugin.so]: opens a
// VST 2 plug-in's editor in a window on the X display, as a Linux host
// does, idles it every 40 ms with notes playing for S seconds (default 10;
// 0 runs until interrupted), then saves what the window shows.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/editor/EditorHost.h"

namespace {
volatile std::sig_atomic_t stop = 0;
void onSignal(int) { stop = 1; }
}  // namespace

int main(int argc, char** argv) {
    double seconds = 10.0;
    std::string shot;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (a == "--shot" && i + 1 < argc) shot = argv[++i];
        else if (a == "--help" || a == "-h") {
            std::printf("usage: strellon-editor-host [--seconds S] [--shot out.png] [plugin.so]\n");
            return 0;
        } else path = a;
    }
    if (path.empty()) path = strellon::host::besideProgram("Strellon.so");
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::string error;
    auto host = strellon::host::EditorHost::load(path, error);
    if (!host) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!host->open()) {
        std::fprintf(stderr, "the plug-in did not open its editor (or no X display)\n");
        return 1;
    }
    for (int ms = 0; !stop && (seconds <= 0 || ms < int(seconds * 1000)); ms += 200) host->idle(200);
    int status = 0;
    if (!shot.empty()) {
        auto picture = host->window()->screenshot();
        if (!picture || !picture->savePng(shot.c_str())) {
            std::fprintf(stderr, "cannot write %s\n", shot.c_str());
            status = 1;
        }
    }
    host->close();
    return status;
}
