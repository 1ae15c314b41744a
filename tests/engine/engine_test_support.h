// Shared helpers of the engine tests: a prepared engine that records its log.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine.h"

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

}  // namespace vidmorph::testing
