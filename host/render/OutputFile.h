// Where one result of a render goes. A missing or regular file is written
// as a temporary file beside it and renamed over it only when everything
// succeeded, so a failed or interrupted render never leaves a partial file.
// Anything else (a device, a FIFO, "-" for standard output) must not be
// renamed over: that would replace the device node, or the pipe a reader
// waits on. A device (or a standard output that is a file) is written
// directly; a pipe is written through a temporary file copied into it at
// the end, since audio files are finished by seeking back to their header.
// Symbolic links are followed to their target. Main thread.
#pragma once

#include <string>

namespace strellon::render {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // discards the temporary file unless commit succeeded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares to write path. False with error set.
    bool open(const std::string& path, std::string& error);
    // A new descriptor to write through (the caller closes it), or -1 with
    // error set.
    int takeDescriptor(std::string& error);
    // The name to write through for writers that want a name.
    const std::string& writePath() const { return writePath_; }
    // True when the destination is standard output.
    bool toStandardOutput() const { return path_ == "-"; }
    // Puts the finished file in place: renames or copies a temporary file.
    bool commit(std::string& error);
    // Removes the temporary file, if any.
    void discard();

private:
    std::string path_;       // as the user gave it
    std::string target_;     // after following links
    std::string writePath_;  // temporary file, or the target itself
    bool temporary_ = false;
    bool spooled_ = false;   // the temporary file is copied into a pipe
    bool keepMode_ = false;  // an existing file keeps its permissions
    unsigned mode_ = 0;
};

}  // namespace strellon::render
