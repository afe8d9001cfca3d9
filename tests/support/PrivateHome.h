// Third-party plug-ins read (and write) their settings in the user's home:
// a tester's own presets would change what they play. While one of these
// lives, HOME is a fresh folder with nothing in it but the usual empty
// folders, and the XDG folders are unset, so the plug-in starts from its
// factory state.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace strellon::testing {

class PrivateHome {
public:
    PrivateHome() {
        dir_ = std::filesystem::temp_directory_path() / ("strellon_home_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        // The usual folders, empty: some plug-ins create their own inside
        // them and complain when they cannot.
        std::filesystem::create_directories(dir_ / ".config");
        std::filesystem::create_directories(dir_ / ".local" / "share");
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("HOME", dir_.c_str(), 1);
    }
    ~PrivateHome() {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace strellon::testing
