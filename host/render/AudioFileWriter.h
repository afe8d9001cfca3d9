// Writes the rendered audio with libsndfile into a temporary file beside the
// destination and renames it into place only when the render succeeded, so a
// failed or interrupted render never leaves a partial file. Main thread.
#pragma once

#include <cstdint>
#include <string>

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
    // Closes the temporary file and renames it to the destination.
    bool commit(std::string& error);
    // Closes and removes the temporary file.
    void discard();

private:
    sf_private_tag* file_ = nullptr;
    std::string path_;
    std::string temporary_;
    int channels_ = 0;
};

// A temporary name in the destination's folder ("dir/.name.XXXXXX"), so the
// final rename stays on one file system. Creates the file; returns its
// descriptor, or -1 with error set.
int createTemporaryBeside(const std::string& path, std::string& temporary, std::string& error);
// Gives the temporary file ordinary permissions and renames it to path.
bool publishTemporary(const std::string& temporary, const std::string& path, std::string& error);

}  // namespace strellon::render
