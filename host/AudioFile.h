// Audio files through libsndfile, read and written block by block, so a
// render holds a few blocks in memory whatever the files' length.
#pragma once

#include <exception>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;
typedef struct SRC_STATE_tag SRC_STATE;

enum class SampleFormat { Pcm16, Pcm24, Float };

// Any file libsndfile reads (WAV, FLAC, AIFF, Ogg, …), its channels mixed to
// one by their mean. Throws HostError.
class AudioReader {
public:
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int sampleRate() const { return sampleRate_; }
    long long frames() const { return frames_; }  // as the file says
    // Up to `count` samples; fewer only at the end of the file.
    size_t read(float* out, size_t count);

private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    int channels_ = 1;
    int sampleRate_ = 0;
    long long frames_ = 0;
    std::vector<float> interleaved_;
};

// A file read at another sample rate, converted as it is read (libsamplerate,
// best quality); at its own rate it is read as it is. Throws HostError.
class ConvertingReader {
public:
    ConvertingReader(const std::string& path, int rate);
    ~ConvertingReader();
    ConvertingReader(const ConvertingReader&) = delete;
    ConvertingReader& operator=(const ConvertingReader&) = delete;

    // Up to `count` samples at the asked rate; fewer only at the end.
    size_t read(float* out, size_t count);

private:
    static long supply(void* self, float** data);

    AudioReader source_;
    SRC_STATE* converter_ = nullptr;
    double ratio_ = 1.0;
    std::vector<float> input_;
    std::exception_ptr failure_;
};

// Fails with HostError unless `path` names a type the writer can make in
// `format`; checked before any work is done.
void checkOutputName(const std::string& path, SampleFormat format);

// A mono or stereo file whose type follows the extension (.wav, .flac, .aiff or .aif,
// .ogg), written into a temporary file beside `path` that `commit` renames
// over it. Without a commit nothing is left behind. Throws HostError.
class AudioWriter {
public:
    AudioWriter(const std::string& path, int sampleRate, SampleFormat format, int channels = 1);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Frames: one sample each, or interleaved pairs in a stereo file.
    void write(const float* samples, size_t count);
    // One sample of each channel per frame; a mono file takes the left.
    void write(const float* left, const float* right, size_t count);
    void commit();

private:
    std::string path_;
    int channels_;
    std::vector<float> interleaved_;
    std::string temporary_;
    SNDFILE* file_ = nullptr;
};
