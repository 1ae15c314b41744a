// Shared helpers of the engine tests: a prepared engine that records its log.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine.h"
#include "media_fixture.h"

namespace vidmorph::testing {

struct LogLine {
    int level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const LogLine& l) { return os << l.level << ": " << l.text; }

// Records every line the engine logs (thread-safe).
class LogRecorder {
public:
    void Attach(TCustomFFmpeg& e) {
        e.LogHandler = [this](TCustomFFmpeg&, int level, const std::string& text) {
            std::lock_guard lock(m_);
            lines_.push_back({level, text});
        };
    }
    std::vector<LogLine> Lines() const {
        std::lock_guard lock(m_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(m_);
        lines_.clear();
    }

private:
    mutable std::mutex m_;
    std::vector<LogLine> lines_;
};

// Runs `f` and returns the message of the exception of type E it raised
// ("<no exception>" when none).
template <typename E = Exception, typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<no exception>";
}

// A test suite with a temporary folder holding a short clip (av.avi: 352x288
// MPEG-4 and 16-bit PCM) and a tone (tone.wav), each TenthsOfASecond / 10 s long.
template <int TenthsOfASecond>
class ClipSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new fixtures::TempDir();
        const double seconds = TenthsOfASecond / 10.0;
        fixtures::MakeMediaFile(dir->File("av.avi"), fixtures::MediaSpec{.videoCodec = "mpeg4",
                                                                         .width = 352,
                                                                         .height = 288,
                                                                         .audioCodec = "pcm_s16le",
                                                                         .seconds = seconds});
        fixtures::MakeMediaFile(dir->File("tone.wav"), fixtures::MediaSpec{.audioCodec = "pcm_s16le", .seconds = seconds});
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static inline fixtures::TempDir* dir = nullptr;
};

}  // namespace vidmorph::testing
