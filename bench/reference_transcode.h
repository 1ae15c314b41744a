// A minimal decode -> scale/resample -> encode -> mux loop over the FFmpeg
// libraries, the yardstick the engine is measured against. It does only what
// a conversion needs: no timestamp sync, no drop or duplicate, no hooks.
#pragma once

#include <cstdint>
#include <string>

#include "scenario.h"

namespace vidmorph::bench {

struct ReferenceResult {
    int64_t videoFrames = 0;   // pictures sent to the video encoder
    int64_t audioSamples = 0;  // samples per channel sent to the audio encoder
};

// Converts the first video and first audio stream of `source` into
// `destination` as the scenario says. Throws std::runtime_error naming the step.
ReferenceResult ReferenceTranscode(const std::string& source, const std::string& destination,
                                   const Scenario& scenario);

}  // namespace vidmorph::bench
