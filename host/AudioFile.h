// Audio files through libsndfile, mono in memory.
#pragma once

#include <string>
#include <vector>

struct MonoAudio {
    std::vector<float> samples;
    int sampleRate = 0;
};

enum class SampleFormat { Pcm16, Pcm24, Float };

// Reads any file libsndfile reads (WAV, FLAC, AIFF, Ogg, …); several
// channels are mixed to one by their mean. Throws HostError.
MonoAudio readMono(const std::string& path);

// The same signal at another rate (libsamplerate, best quality).
std::vector<float> resampled(const std::vector<float>& samples, int fromRate, int toRate);

// Writes a mono file whose type follows the extension (.wav, .flac, .aiff or
// .aif, .ogg), into a temporary file beside `path` that is renamed over it
// only when complete. Throws HostError; nothing is left behind on failure.
void writeMono(const std::string& path, const std::vector<float>& samples, int sampleRate, SampleFormat format);
