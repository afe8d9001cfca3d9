#include "host/render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace strellon::render {

namespace {

constexpr int kMostLinks = 40;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends at (which need not exist yet).
bool followLinks(const std::string& path, std::string& target, std::string& error) {
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat info;
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        if (hops == kMostLinks) {
            error = "cannot write " + path + ": " + std::strerror(ELOOP);
            return false;
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = readlink(target.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            error = "cannot write " + path + ": cannot read the link " + target;
            return false;
        }
        const std::string next(link.data(), static_cast<std::size_t>(length));
        target = next.front() == '/' ? next : folderOf(target) + next;
    }
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    path_ = path;
    keepMode_ = false;
    if (path == "-") {
        target_ = writePath_ = "/dev/stdout";
        return true;
    }
    if (!followLinks(path, target_, error)) return false;
    struct stat info;
    if (stat(target_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = "cannot write " + path + ": " + std::strerror(EISDIR);
            return false;
        }
        if (!S_ISREG(info.st_mode)) {
            writePath_ = target_;
            return true;
        }
        keepMode_ = true;
        mode_ = info.st_mode & 07777;
    }
    // A name in the destination's folder, so the rename stays on one file
    // system. Created with 0666 so the kernel applies the umask, as it
    // would for the file itself.
    const std::string stem = folderOf(target_) + "." + target_.substr(folderOf(target_).size()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = stem + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            writePath_ = name;
            temporary_ = true;
            return true;
        }
        if (errno != EEXIST) break;
    }
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
}

int OutputFile::takeDescriptor(std::string& error) {
    const int fd = toStandardOutput() ? dup(STDOUT_FILENO) : ::open(writePath_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) error = "cannot write " + path_ + ": " + std::strerror(errno);
    return fd;
}

bool OutputFile::commit(std::string& error) {
    if (!temporary_) return true;
    if (keepMode_) chmod(writePath_.c_str(), mode_);
    if (std::rename(writePath_.c_str(), target_.c_str()) != 0) {
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        discard();
        return false;
    }
    temporary_ = false;
    return true;
}

void OutputFile::discard() {
    if (temporary_) std::remove(writePath_.c_str());
    temporary_ = false;
}

}  // namespace strellon::render
