// What the Windows library asks of the system when it is loaded: only the
// system's own DLLs, since the runtime is linked in.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "host/PluginHost.h"
#include "tests/windows/ImageDirectory.h"

namespace {

std::set<std::string> importedLibraries(const std::string& path) {
    std::set<std::string> names;
    strellon::test::readImageDirectory(path, IMAGE_DIRECTORY_ENTRY_IMPORT,
                                       [&](const unsigned char* base, const void* directory) {
        for (auto* entry = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(directory); entry->Name != 0;
             ++entry) {
            std::string name = reinterpret_cast<const char*>(base + entry->Name);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            names.insert(name);
        }
    });
    return names;
}

}  // namespace

TEST(LibraryImage, ImportsOnlySystemLibraries) {
    const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll",
                                          "ole32.dll",    "shell32.dll", "comdlg32.dll"};
    const auto imported = importedLibraries(STRELLON_PLUGIN_PATH);
    ASSERT_FALSE(imported.empty());
    for (const auto& name : imported) EXPECT_TRUE(system.count(name)) << name;
    EXPECT_TRUE(imported.count("kernel32.dll"));
}

TEST(LibraryImage, VersionBlockNamesProductAndMaker) {
    const std::string path = STRELLON_PLUGIN_PATH;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    auto text = [&](const char* key) {
        char* value = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + key;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::string();
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Strellon");
    EXPECT_EQ(text("CompanyName"), "Quorvanix");
    EXPECT_EQ(text("FileVersion"), "1.0");
}

TEST(LibraryImage, EditorBitmapsAreResources) {
    HMODULE module = LoadLibraryA(std::string(STRELLON_PLUGIN_PATH).c_str());
    ASSERT_NE(module, nullptr);
    const struct { int id, width, height; } bitmaps[] = {
        {108, 593, 400}, {104, 31, 2821}, {111, 28, 2548}, {109, 10, 20}, {107, 4, 8},
        {117, 8, 16},    {119, 38, 144},  {115, 300, 200}, {116, 200, 300}};
    for (const auto& b : bitmaps) {
        HBITMAP handle = LoadBitmapA(module, MAKEINTRESOURCEA(b.id));
        ASSERT_NE(handle, nullptr) << b.id;
        BITMAP info{};
        GetObjectA(handle, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, b.width) << b.id;
        EXPECT_EQ(info.bmHeight, b.height) << b.id;
        DeleteObject(handle);
    }
    FreeLibrary(module);
}
