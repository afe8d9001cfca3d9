#include "editor/Decorations.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace strellon {

namespace {
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
constexpr const char* kFileName = "decorations.txt";
}  // namespace

std::string DecorationsFile::pathIn(const std::string& directory) {
    std::string path = directory;
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return path + kFileName;
}

float DecorationsFile::sanitise(float offset) {
    if (!(offset >= 0.0f)) return 0.0f;  // negative or not a number
    return offset > kLastOffset ? kLastOffset : offset;
}

bool DecorationsFile::read(const std::string& path, Offsets& offsets) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return false;
    // Zeroed once: a missing line leaves the previous line in the buffer.
    char line[1024] = {};
    for (float& offset : offsets) {
        // At the end of the file fgets leaves the buffer as it was; after a
        // read error its contents are undefined, so the line counts as empty.
        if (!std::fgets(line, sizeof line, file) && std::ferror(file)) line[0] = '\0';
        offset = sanitise(float(std::atof(line) * 0.1));
    }
    std::fclose(file);
    return true;
}

bool DecorationsFile::write(const std::string& path, const Offsets& offsets) {
    std::FILE* file = std::fopen(path.c_str(), "w+");
    if (!file) return false;
    for (float offset : offsets) std::fprintf(file, "%i \n", int(sanitise(offset) * 10.0f));
    return std::fclose(file) == 0;
}

}  // namespace strellon
