// Test entry: the codec libraries are bound once, as the program does at start.
#include <gtest/gtest.h>

#include "library_binding.h"

extern "C" {
#include <libavutil/log.h>
}

// Only the codec libraries' errors reach the test output.
static void ErrorsOnly(void* avcl, int level, const char* format, va_list args) {
    if (level <= AV_LOG_ERROR) av_log_default_callback(avcl, level, format, args);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    av_log_set_callback(ErrorsOnly);
    if (!vidmorph::BindCodecLibraries("", true)) {
        std::fprintf(stderr, "codec libraries unusable: %s\n", vidmorph::BindError().c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
