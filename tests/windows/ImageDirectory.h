// Reads a data directory (exports, imports) of a library's loaded image.
#pragma once
#include <windows.h>

#include <string>

namespace strellon::test {

// Calls read(base, directory entry) with the library loaded; false when it
// does not load or has no such directory.
template <typename Read>
bool readImageDirectory(const std::string& path, int entry, Read read) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) return false;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[entry];
    const bool present = dir.Size != 0;
    if (present) read(base, base + dir.VirtualAddress);
    FreeLibrary(module);
    return present;
}

}  // namespace strellon::test
