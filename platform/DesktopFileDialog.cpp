// The desktop's file dialog on Linux: zenity, else kdialog, run as a child
// process with its answer read from its output. Windows has its own dialogs
// (platform/win32).
#include <string>
#include <vector>

#include "platform/Window.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace strellon::platform {

#ifdef _WIN32
std::vector<std::string> runDesktopFileDialog(const FileDialogRequest&) { return {}; }
#else
namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

// Patterns as the dialogs want them: "*.a;*.b" becomes "*.a *.b".
std::string spaced(const std::string& pattern) {
    std::string out = pattern;
    for (char& c : out)
        if (c == ';') c = ' ';
    return out;
}

std::vector<std::string> zenityArguments(const FileDialogRequest& r) {
    std::vector<std::string> a{"zenity", "--file-selection"};
    if (r.mode == FileDialogMode::save) a.insert(a.end(), {"--save", "--confirm-overwrite"});
    if (r.mode == FileDialogMode::loadMany) a.insert(a.end(), {"--multiple", "--separator=\n"});
    if (r.mode == FileDialogMode::folder) a.push_back("--directory");
    if (!r.title.empty()) a.push_back("--title=" + r.title);
    if (!r.initialPath.empty()) a.push_back("--filename=" + r.initialPath + "/");
    for (const FileFilter& f : r.filters) a.push_back("--file-filter=" + f.text + " | " + spaced(f.pattern));
    return a;
}

std::vector<std::string> kdialogArguments(const FileDialogRequest& r) {
    std::vector<std::string> a{"kdialog"};
    if (!r.title.empty()) a.insert(a.end(), {"--title", r.title});
    const std::string start = r.initialPath.empty() ? "." : r.initialPath;
    if (r.mode == FileDialogMode::folder) {
        a.insert(a.end(), {"--getexistingdirectory", start});
        return a;
    }
    a.push_back(r.mode == FileDialogMode::save ? "--getsavefilename" : "--getopenfilename");
    a.push_back(start);
    std::string filters;
    for (const FileFilter& f : r.filters) filters += (filters.empty() ? "" : "\n") + spaced(f.pattern) + "|" + f.text;
    if (!filters.empty()) a.push_back(filters);
    if (r.mode == FileDialogMode::loadMany) a.insert(a.end(), {"--multiple", "--separate-output"});
    return a;
}

// Runs the program without a shell (the texts are never interpreted) and
// gives its output lines; none when it fails or is cancelled.
std::vector<std::string> runForLines(const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    std::vector<char*> argv;
    for (const std::string& s : arguments) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return {};
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char chunk[4096];
    ssize_t n;
    while ((n = read(pipeEnds[0], chunk, sizeof chunk)) > 0) output.append(chunk, std::size_t(n));
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        if (end > start) lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::vector<std::string> runDesktopFileDialog(const FileDialogRequest& request) {
    std::vector<std::string> paths;
    if (onPath("zenity")) paths = runForLines(zenityArguments(request));
    else if (onPath("kdialog")) paths = runForLines(kdialogArguments(request));
    if (request.mode != FileDialogMode::loadMany && paths.size() > 1) paths.resize(1);
    return paths;
}
#endif

} // namespace strellon::platform
