#include "host/render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace strellon::render {

namespace {

constexpr int kMostLinks = 40;

bool isPipe(const struct stat& info) { return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode); }

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
        target = !next.empty() && next.front() == '/' ? next : folderOf(target) + next;
    }
}

// Copies all of from into to; false with errno set.
bool copyAll(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return false;
            done += put;
        }
    }
}

// A new empty file named from stem, with mode less the umask; false with
// errno set.
bool createUnique(const std::string& stem, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::string spoolFolder() {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/";
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    path_ = path;
    keepMode_ = false;
    spooled_ = false;
    bool direct = false;  // written in place
    struct stat info;
    if (path == "-") {
        target_ = "/dev/stdout";
        spooled_ = fstat(STDOUT_FILENO, &info) == 0 && isPipe(info);
        direct = !spooled_;
    } else {
        if (!followLinks(path, target_, error)) return false;
        if (stat(target_.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) {
                error = "cannot write " + path + ": " + std::strerror(EISDIR);
                return false;
            }
            spooled_ = isPipe(info);
            direct = !S_ISREG(info.st_mode) && !spooled_;
            keepMode_ = S_ISREG(info.st_mode);
            mode_ = info.st_mode & 07777;
        }
    }
    if (direct) {
        writePath_ = target_;
        return true;
    }
    // A pipe's temporary file is private and lives with the others; a
    // file's is in the destination's folder, so the rename stays on one
    // file system, and is made with 0666 so that the kernel applies the
    // umask, as it would for the file itself.
    const std::string folder = folderOf(target_);
    const bool made = spooled_ ? createUnique(spoolFolder() + "strellon-render.", 0600, writePath_)
                               : createUnique(folder + "." + target_.substr(folder.size()) + ".", 0666, writePath_);
    if (!made) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = true;
    return true;
}

int OutputFile::takeDescriptor(std::string& error) {
    const int fd = toStandardOutput() && !temporary_ ? dup(STDOUT_FILENO)
                                                     : ::open(writePath_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) error = "cannot write " + path_ + ": " + std::strerror(errno);
    return fd;
}

bool OutputFile::commit(std::string& error) {
    if (!temporary_) return true;
    if (spooled_) {
        const int from = ::open(writePath_.c_str(), O_RDONLY | O_CLOEXEC);
        const int to = from < 0                ? -1
                       : toStandardOutput() ? dup(STDOUT_FILENO)
                                            : ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        const bool copied = to >= 0 && copyAll(from, to);
        const int why = errno;
        if (from >= 0) ::close(from);
        if (to >= 0 && ::close(to) != 0 && copied) {
            error = "cannot write " + path_ + ": " + std::strerror(errno);
            discard();
            return false;
        }
        discard();
        if (!copied) error = "cannot write " + path_ + ": " + std::strerror(why);
        return copied;
    }
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
