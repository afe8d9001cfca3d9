#include "host/render/AudioFileWriter.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

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

AudioFileWriter::~AudioFileWriter() { discard(); }

bool AudioFileWriter::open(const std::string& path, AudioFormat format, int channels,
                           int sampleRate, std::string& error) {
    discard();
    if (!output_.open(path, error)) return false;
    const int fd = output_.takeDescriptor(error);
    if (fd < 0) {
        output_.discard();
        return false;
    }
    SF_INFO sfinfo{};
    sfinfo.samplerate = sampleRate;
    sfinfo.channels = channels;
    sfinfo.format = info(format).sndfileFormat;
    file_ = sf_open_fd(fd, SFM_WRITE, &sfinfo, SF_TRUE);
    if (!file_) {
        error = "cannot write " + path + " as " + audioFormatName(format) + ": " + sf_strerror(nullptr);
        ::close(fd);
        output_.discard();
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
    return output_.commit(error);
}

void AudioFileWriter::discard() {
    if (file_) sf_close(file_);
    file_ = nullptr;
    output_.discard();
}

}  // namespace strellon::render
