// Uniform white noise from a seed, the same on every run.
#pragma once

#include <random>
#include <vector>

inline std::vector<float> noise(size_t n, unsigned seed, float level = 0.3f)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-level, level);
    std::vector<float> x(n);
    for (float& v : x)
        v = uniform(random);
    return x;
}
