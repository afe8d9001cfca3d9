// Writes the rendered audio with libsndfile through an OutputFile, so a
// failed or interrupted render never leaves a partial file. Main thread.
#pragma once

#include <cstdint>
#include <string>

#include "host/render/OutputFile.h"

struct sf_private_tag;

namespace strellon::render {

enum class AudioFormat { wav16, wav24, wav32f, flac };

// "wav16", "wav24", "wav32f" or "flac"; false for anything else.
bool parseAudioFormat(const std::string& text, AudioFormat& format);
const char* audioFormatName(AudioFormat format);
// The extension a file of this format should carry, with its dot.
const char* audioFormatExtension(AudioFormat format);

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();  // removes the temporary file unless commit succeeded
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool open(const std::string& path, AudioFormat format, int channels, int sampleRate,
              std::string& error);
    // Interleaved frames. Integer formats clip at full scale rather than wrap.
    bool write(const float* interleaved, std::int64_t frames, std::string& error);
    // Finishes the file and puts it in place.
    bool commit(std::string& error);
    // Closes and removes the temporary file, if any.
    void discard();

private:
    sf_private_tag* file_ = nullptr;
    std::string path_;
    OutputFile output_;
    int channels_ = 0;
};

}  // namespace strellon::render
