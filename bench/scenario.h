// The conversions the benchmark measures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vidmorph::bench {

struct Scenario {
    std::string name;          // "S1", "S2"
    std::string description;   // for the table
    std::string videoEncoder;  // encoder name
    int64_t videoBitRate = 0;  // 0 = the encoder's own default (no "b" option)
    int width = 640, height = 480;
    std::string audioEncoder;
    int64_t audioBitRate = 128000;
    std::string container = "mp4";
    // Also measure the engine with one codec thread per core, as the
    // conversion component runs it (an extra figure, no target).
    bool codecThreadsRun = false;
};

inline const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> all{
        {"S1", "640x480 mpeg4 1500k + aac 128k, mp4", "mpeg4", 1500000, 640, 480, "aac", 128000, "mp4",
         false},
        {"S2", "640x480 libx264 (default preset) + aac 128k, mp4", "libx264", 0, 640, 480, "aac", 128000, "mp4",
         true},
    };
    return all;
}

// nullptr when there is no scenario of that name.
inline const Scenario* FindScenario(const std::string& name) {
    for (const Scenario& s : Scenarios())
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace vidmorph::bench
