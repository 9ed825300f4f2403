#include "AudioFile.h"

#include "PluginHost.h"
#include "TemporaryFile.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>

// ------------------------------------------------------------------ reading

AudioReader::AudioReader(const std::string& path) : path_(path)
{
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_)
        throw HostError("cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        sf_close(file_);
        throw HostError("cannot read " + path + ": no audio in it");
    }
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    frames_ = info.frames;
}

AudioReader::~AudioReader() { sf_close(file_); }

size_t AudioReader::read(float* out, size_t count)
{
    const auto channels = static_cast<size_t>(channels_);
    float* target = out;
    if (channels > 1) {
        if (interleaved_.size() < count * channels)
            interleaved_.resize(count * channels);
        target = interleaved_.data();
    }
    const sf_count_t read = sf_readf_float(file_, target, static_cast<sf_count_t>(count));
    if (read < 0 || sf_error(file_) != SF_ERR_NO_ERROR)
        throw HostError("cannot read " + path_ + ": the audio data is damaged");
    const auto frames = static_cast<size_t>(read);
    if (channels > 1) {
        for (size_t frame = 0; frame < frames; ++frame) {
            double sum = 0.0;
            for (size_t c = 0; c < channels; ++c)
                sum += interleaved_[frame * channels + c];
            out[frame] = static_cast<float>(sum / static_cast<double>(channels));
        }
    }
    return frames;
}

ConvertingReader::ConvertingReader(const std::string& path, int rate) : source_(path)
{
    if (source_.sampleRate() == rate)
        return;
    ratio_ = static_cast<double>(rate) / source_.sampleRate();
    int error = 0;
    converter_ = src_callback_new(&ConvertingReader::supply, SRC_SINC_BEST_QUALITY, 1, &error, this);
    if (!converter_)
        throw HostError(std::string("cannot convert the carrier's sample rate: ") + src_strerror(error));
    input_.resize(4096);
}

ConvertingReader::~ConvertingReader()
{
    if (converter_)
        src_delete(converter_);
}

// libsamplerate asks for input here; a read error waits in `failure_` until
// the conversion returns, as no exception may cross the library.
long ConvertingReader::supply(void* self, float** data)
{
    auto* reader = static_cast<ConvertingReader*>(self);
    *data = reader->input_.data();
    try {
        return static_cast<long>(reader->source_.read(reader->input_.data(), reader->input_.size()));
    } catch (...) {
        reader->failure_ = std::current_exception();
        return 0;
    }
}

size_t ConvertingReader::read(float* out, size_t count)
{
    if (!converter_)
        return source_.read(out, count);
    const long made = src_callback_read(converter_, ratio_, static_cast<long>(count), out);
    if (failure_)
        std::rethrow_exception(failure_);
    if (made < 0 || src_error(converter_) != 0)
        throw HostError(std::string("cannot convert the carrier's sample rate: ") + src_strerror(src_error(converter_)));
    return static_cast<size_t>(made);
}

// ------------------------------------------------------------------ writing

namespace {

int majorFormatFor(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    if (extension == ".wav") return SF_FORMAT_WAV;
    if (extension == ".flac") return SF_FORMAT_FLAC;
    if (extension == ".aiff" || extension == ".aif") return SF_FORMAT_AIFF;
    if (extension == ".ogg") return SF_FORMAT_OGG;
    throw HostError("cannot write " + path + ": the name must end in .wav, .flac, .aiff, .aif or .ogg");
}

}  // namespace

void checkOutputName(const std::string& path, SampleFormat format)
{
    if (majorFormatFor(path) == SF_FORMAT_FLAC && format == SampleFormat::Float)
        throw HostError("cannot write " + path + ": FLAC holds 16 or 24 bits, not float (--format 16 or 24)");
}

AudioWriter::AudioWriter(const std::string& path, int sampleRate, SampleFormat format, int channels)
    : path_(path), channels_(channels == 2 ? 2 : 1)
{
    checkOutputName(path, format);
    const int major = majorFormatFor(path);
    int subtype = format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16
                  : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                  : SF_FORMAT_FLOAT;
    if (major == SF_FORMAT_OGG)
        subtype = SF_FORMAT_VORBIS;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels_;
    info.format = major | subtype;
    temporary_ = temporaryBeside(path);
    file_ = sf_open(temporary_.c_str(), SFM_WRITE, &info);
    if (!file_)
        throw HostError("cannot write " + path + ": " + sf_strerror(nullptr));
    // Float data written as integers is scaled and clipped, not wrapped.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter()
{
    if (!file_)
        return;
    sf_close(file_);
    discard(temporary_);
}

void AudioWriter::write(const float* left, const float* right, size_t count)
{
    if (channels_ == 1) {
        write(left, count);
        return;
    }
    interleaved_.resize(2 * count);
    for (size_t i = 0; i < count; ++i) {
        interleaved_[2 * i] = left[i];
        interleaved_[2 * i + 1] = right[i];
    }
    write(interleaved_.data(), count);
}

void AudioWriter::write(const float* samples, size_t count)
{
    if (sf_writef_float(file_, samples, static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count))
        throw HostError("cannot write " + path_ + ": the disk refused the data");
}

void AudioWriter::commit()
{
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        discard(temporary_);
        throw HostError("cannot write " + path_ + ": the disk refused the data");
    }
    moveOver(temporary_, path_);
}
