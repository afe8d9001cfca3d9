#include "host/render/AudioFileWriter.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace strellon::render {

namespace {

struct FormatInfo {
    AudioFormat format;
    const char* name;
    const char* extension;
    int sndfileFormat;
};

constexpr FormatInfo kFormats[] = {
    {AudioFormat::wav16, "wav16", ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {AudioFormat::wav24, "wav24", ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    {AudioFormat::wav32f, "wav32f", ".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {AudioFormat::flac, "flac", ".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
};

const FormatInfo& info(AudioFormat format) {
    for (const FormatInfo& f : kFormats)
        if (f.format == format) return f;
    return kFormats[0];
}

}  // namespace

bool parseAudioFormat(const std::string& text, AudioFormat& format) {
    for (const FormatInfo& f : kFormats)
        if (text == f.name) {
            format = f.format;
            return true;
        }
    return false;
}

const char* audioFormatName(AudioFormat format) { return info(format).name; }
const char* audioFormatExtension(AudioFormat format) { return info(format).extension; }

int createTemporaryBeside(const std::string& path, std::string& temporary, std::string& error) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<char> name(dir.begin(), dir.end());
    const std::string tail = "." + base + ".XXXXXX";
    name.insert(name.end(), tail.begin(), tail.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    temporary = name.data();
    return fd;
}

bool publishTemporary(const std::string& temporary, const std::string& path, std::string& error) {
    // mkstemp makes the file private; the result should be an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary.c_str(), 0666 & ~mask);
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
}

AudioFileWriter::~AudioFileWriter() { discard(); }

bool AudioFileWriter::open(const std::string& path, AudioFormat format, int channels,
                           int sampleRate, std::string& error) {
    discard();
    const int fd = createTemporaryBeside(path, temporary_, error);
    if (fd < 0) return false;
    SF_INFO sfinfo{};
    sfinfo.samplerate = sampleRate;
    sfinfo.channels = channels;
    sfinfo.format = info(format).sndfileFormat;
    file_ = sf_open_fd(fd, SFM_WRITE, &sfinfo, SF_TRUE);
    if (!file_) {
        error = "cannot write " + path + " as " + audioFormatName(format) + ": " + sf_strerror(nullptr);
        ::close(fd);
        std::remove(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    path_ = path;
    channels_ = channels;
    return true;
}

bool AudioFileWriter::write(const float* interleaved, std::int64_t frames, std::string& error) {
    if (!file_) {
        error = "no output file open";
        return false;
    }
    if (sf_writef_float(file_, interleaved, frames) != frames) {
        error = "cannot write " + path_ + ": " + sf_strerror(file_);
        return false;
    }
    return true;
}

bool AudioFileWriter::commit(std::string& error) {
    if (!file_) {
        error = "no output file open";
        return false;
    }
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = "cannot write " + path_ + ": " + sf_error_number(closed);
        discard();
        return false;
    }
    if (!publishTemporary(temporary_, path_, error)) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void AudioFileWriter::discard() {
    if (file_) sf_close(file_);
    file_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

}  // namespace strellon::render
