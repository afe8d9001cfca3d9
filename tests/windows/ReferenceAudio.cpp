// strellon-reference-audio: writes the Linux library's takes of the
// reference piece as raw 32-bit floats, for the Windows tests to compare.
#include <cstdio>
#include <string>
#include <thread>

#include "ReferencePiece.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PLUGIN OUTPUT\n", argv[0]);
        return 2;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    int status = 0;
    for (const auto& take : strellon::test::referenceTakes()) {
        // A fresh thread per take: the noise generator starts from its seed.
        std::thread([&] {
            std::string error;
            auto plugin = strellon::host::HostedPlugin::load(argv[1], error);
            if (!plugin) {
                std::fprintf(stderr, "%s\n", error.c_str());
                status = 1;
                return;
            }
            const auto samples = strellon::test::renderReferenceTake(*plugin, take);
            std::fwrite(samples.data(), sizeof(float), samples.size(), out);
        }).join();
    }
    return std::fclose(out) == 0 ? status : 1;
}
