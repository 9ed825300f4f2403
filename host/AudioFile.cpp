#include "AudioFile.h"

#include "PluginHost.h"

#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

MonoAudio readMono(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw HostError("cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        sf_close(file);
        throw HostError("cannot read " + path + ": no audio in it");
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t read = sf_readf_float(file, interleaved.data(), info.frames);
    const int error = sf_error(file);
    sf_close(file);
    if (error != SF_ERR_NO_ERROR || read < 0)
        throw HostError("cannot read " + path + ": the audio data is damaged");
    MonoAudio audio;
    audio.sampleRate = info.samplerate;
    audio.samples.resize(static_cast<size_t>(read));
    for (size_t frame = 0; frame < audio.samples.size(); ++frame) {
        double sum = 0.0;
        for (int c = 0; c < info.channels; ++c)
            sum += interleaved[frame * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
        audio.samples[frame] = static_cast<float>(sum / info.channels);
    }
    return audio;
}

std::vector<float> resampled(const std::vector<float>& samples, int fromRate, int toRate)
{
    if (fromRate == toRate || samples.empty())
        return samples;
    const double ratio = static_cast<double>(toRate) / fromRate;
    std::vector<float> out(static_cast<size_t>(static_cast<double>(samples.size()) * ratio) + 16);
    SRC_DATA data{};
    data.data_in = samples.data();
    data.input_frames = static_cast<long>(samples.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (const int error = src_simple(&data, SRC_SINC_BEST_QUALITY, 1))
        throw HostError(std::string("cannot convert the carrier's sample rate: ") + src_strerror(error));
    out.resize(static_cast<size_t>(data.output_frames_gen));
    return out;
}

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

void writeMono(const std::string& path, const std::vector<float>& samples, int sampleRate, SampleFormat format)
{
    const int major = majorFormatFor(path);
    int subtype = format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16
                  : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                  : SF_FORMAT_FLOAT;
    if (major == SF_FORMAT_OGG)
        subtype = SF_FORMAT_VORBIS;
    if (major == SF_FORMAT_FLAC && format == SampleFormat::Float)
        throw HostError("cannot write " + path + ": FLAC holds 16 or 24 bits, not float (--format 16 or 24)");

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = major | subtype;
    const std::filesystem::path target(path);
    std::string hidden(".");
    hidden.append(target.filename().string()).append(".partial-").append(std::to_string(getpid()));
    const std::filesystem::path temporary = target.parent_path() / hidden;
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file)
        throw HostError("cannot write " + path + ": " + sf_strerror(nullptr));
    // Float data written as integers is scaled and clipped, not wrapped.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t written = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    const int closed = sf_close(file);
    std::error_code error;
    if (written != static_cast<sf_count_t>(samples.size()) || closed != 0) {
        std::filesystem::remove(temporary, error);
        throw HostError("cannot write " + path + ": the disk refused the data");
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw HostError("cannot write " + path + ": " + error.message());
    }
}
