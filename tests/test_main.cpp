// Test entry: the codec libraries are bound once, as the program does at start.
#include <gtest/gtest.h>

#include "library_binding.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!vidmorph::BindCodecLibraries("", true)) {
        std::fprintf(stderr, "codec libraries unusable: %s\n", vidmorph::BindError().c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
