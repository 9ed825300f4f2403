// The three plug-in libraries in one process, as a host with all of them
// loaded has them: instances of each built, run and taken apart on four
// threads at once with different FFT sizes, so that their FFTW plans are
// made and destroyed concurrently through the one planner they share.
#include "ClapTestHost.h"
#include "TestHost.h"
#include "parameters/ParameterTable.h"

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Distinct URIs get distinct ids without shared state.
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri)
{
    return static_cast<LV2_URID>(std::hash<std::string>{}(uri) | 1u);
}

}  // namespace

TEST(PlannerThreads, ThreeLibrariesPlanOnFourThreadsAtOnce)
{
    void* lv2 = dlopen(VOCODER_LV2_BUNDLE "/vocoder.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lv2, nullptr) << dlerror();
    auto lv2Entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(lv2, "lv2_descriptor"));
    ASSERT_NE(lv2Entry, nullptr);
    const LV2_Descriptor* descriptor = lv2Entry(0);
    ClapLibrary clap;

    std::atomic<bool> finite{true};
    const auto check = [&](const std::vector<float>& out) {
        for (const float s : out)
            if (!std::isfinite(s))
                finite = false;
    };
    const auto work = [&](int thread) {
        std::vector<float> in(512), left(512), right(512);
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<float>(0.3 * std::sin(0.05 * static_cast<double>(i)));
        for (int round = 0; round < 4; ++round) {
            const float fft = static_cast<float>((thread + round) % 4) / 3.0f;
            {
                TestHost host;
                AEffect* e = host.create();
                ASSERT_NE(e, nullptr);
                e->setParameter(e, kHopSize, 0.0f);
                e->setParameter(e, kFftSize, fft);
                float* inputs[] = {in.data(), in.data()};
                float* outputs[] = {left.data(), right.data()};
                e->processReplacing(e, inputs, outputs, 512);
                check(left);
            }
            {
                LV2_URID_Map map{nullptr, mapUri};
                const LV2_Feature mapFeature{LV2_URID__map, &map};
                const LV2_Feature* features[] = {&mapFeature, nullptr};
                LV2_Handle plugin = descriptor->instantiate(descriptor, 48000.0, VOCODER_LV2_BUNDLE, features);
                ASSERT_NE(plugin, nullptr);
                float controls[kNumParameters];
                for (int i = 0; i < kNumParameters; ++i)
                    controls[i] = kParameterTable[static_cast<size_t>(i)].choices.empty() ? 0.5f : 0.0f;
                controls[kFftSize] = static_cast<float>((thread + round + 1) % 4);
                float latency = 0.0f;
                descriptor->connect_port(plugin, 0, in.data());
                descriptor->connect_port(plugin, 1, in.data());
                descriptor->connect_port(plugin, 2, left.data());
                descriptor->connect_port(plugin, 3, right.data());
                descriptor->connect_port(plugin, 4, nullptr);
                descriptor->connect_port(plugin, 5, &latency);
                for (int i = 0; i < kNumParameters; ++i)
                    descriptor->connect_port(plugin, 6 + static_cast<uint32_t>(i), &controls[i]);
                descriptor->activate(plugin);
                descriptor->run(plugin, 512);
                check(left);
                descriptor->deactivate(plugin);
                descriptor->cleanup(plugin);
            }
            {
                ClapInstance instance(clap);
                EventList events;
                events.paramValue(0, kFftSize, (thread + round + 2) % 4);
                instance.flush(events);
                ASSERT_TRUE(instance.activate(44100.0, 512));
                events.clear();
                instance.process(in.data(), in.data(), left.data(), right.data(), 512, events);
                check(left);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(work, t);
    for (std::thread& t : threads)
        t.join();
    EXPECT_TRUE(finite.load());
    dlclose(lv2);
}
