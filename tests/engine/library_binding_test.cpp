// The start-up check of the codec libraries, with a probe that can make each
// library fail.
#include "library_binding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vidmorph {
namespace {

class LibraryBinding : public ::testing::Test {
protected:
    void SetUp() override { UnbindCodecLibraries(); }
    void TearDown() override {
        UnbindCodecLibraries();
        ASSERT_TRUE(BindCodecLibraries("", true));  // the other tests need the real binding
    }

    // The real libraries, except that `broken` has the wrong major version or
    // lacks `missingEntry`.
    static TLibraryProbe Probe(int broken = -1, std::string missingEntry = {}, int* calls = nullptr) {
        const TLibraryProbe real = RealLibraryProbe();
        TLibraryProbe p;
        p.RuntimeVersion = [=](TCodecLibrary l) {
            if (calls) ++*calls;
            const unsigned v = real.RuntimeVersion(l);
            return static_cast<int>(l) == broken && missingEntry.empty() ? v + (1u << 16) : v;
        };
        p.HasEntry = [=](TCodecLibrary l, const TRequiredEntry& entry) {
            if (static_cast<int>(l) == broken && entry.Name == missingEntry) return false;
            return real.HasEntry(l, entry);
        };
        return p;
    }
};

TEST_F(LibraryBinding, RealLibrariesAreUsableAndASecondCallChangesNothing) {
    ASSERT_TRUE(BindCodecLibraries("", true));
    EXPECT_TRUE(LibrariesBound());
    EXPECT_EQ(BindError(), "");
    for (int i = 0; i < CODEC_LIBRARY_COUNT; ++i) EXPECT_TRUE(LibraryBound(static_cast<TCodecLibrary>(i)));
    int calls = 0;
    EXPECT_TRUE(BindCodecLibraries("", true, Probe(0, {}, &calls)));  // would fail, but is not asked
    EXPECT_EQ(calls, 0);
}

TEST_F(LibraryBinding, FirstUnusableLibraryNamesTheFailure) {
    const struct {
        TCodecLibrary library;
        const char* versioned;
        const char* plain;
    } cases[] = {
        {TCodecLibrary::Codec, "libavcodec.so.59", "libavcodec.so"},
        {TCodecLibrary::Format, "libavformat.so.59", "libavformat.so"},
        {TCodecLibrary::Utility, "libavutil.so.57", "libavutil.so"},
        {TCodecLibrary::Scaling, "libswscale.so.6", "libswscale.so"},
        {TCodecLibrary::Resampling, "libswresample.so.4", "libswresample.so"},
    };
    for (const auto& c : cases) {
        const int index = static_cast<int>(c.library);
        for (bool versioned : {true, false}) {
            EXPECT_FALSE(BindCodecLibraries("", versioned, Probe(index)));
            EXPECT_FALSE(LibrariesBound());
            const std::string name = versioned ? c.versioned : c.plain;
            EXPECT_THAT(BindError(), ::testing::StartsWith("Load libraray " + name + " error: version "));
            EXPECT_EQ(LibraryError(c.library), BindError());
            // Nothing stays bound after a failed attempt.
            for (int i = 0; i < CODEC_LIBRARY_COUNT; ++i)
                EXPECT_FALSE(LibraryBound(static_cast<TCodecLibrary>(i))) << name << " " << i;
        }
    }
}

TEST_F(LibraryBinding, MissingEntryNamesEntryAndFile) {
    EXPECT_FALSE(BindCodecLibraries("", true, Probe(0, "libx264")));
    EXPECT_EQ(BindError(), "Load function libx264@libavcodec.so.59 error: no encoder of that name in this build");
    EXPECT_FALSE(BindCodecLibraries("", false, Probe(1, "psp")));
    EXPECT_EQ(BindError(), "Load function psp@libavformat.so error: no muxer of that name in this build");
    // A later attempt with everything present succeeds.
    EXPECT_TRUE(BindCodecLibraries("", true, Probe()));
    EXPECT_EQ(BindError(), "");
}

TEST_F(LibraryBinding, LegacyEncoderNamesAreCheckedUnderTheirCurrentNames) {
    EXPECT_EQ(ResolveLegacyCodecName("libfaac"), "aac");
    EXPECT_EQ(ResolveLegacyCodecName("mpeg4aac"), "aac");
    EXPECT_EQ(ResolveLegacyCodecName("libamr_nb"), "libopencore_amrnb");
    EXPECT_EQ(ResolveLegacyCodecName("libx264"), "libx264");
    const auto& codec = RequiredEntries(TCodecLibrary::Codec);
    EXPECT_THAT(codec, ::testing::Contains(::testing::Field(&TRequiredEntry::Name, "libopencore_amrnb")));
    EXPECT_THAT(codec, ::testing::Not(::testing::Contains(::testing::Field(&TRequiredEntry::Name, "libfaac"))));
}

TEST_F(LibraryBinding, PathIsAddedOnceAndTheCurrentDirectoryRestored) {
    const auto dir = std::filesystem::temp_directory_path() / "vidmorph_bind_dir";
    std::filesystem::create_directories(dir);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const auto savedCwd = std::filesystem::current_path();

    EXPECT_TRUE(BindCodecLibraries(dir.string(), true));
    EXPECT_EQ(std::string(std::getenv("PATH")), dir.string() + ":" + savedPath);
    EXPECT_EQ(std::filesystem::current_path(), savedCwd);

    UnbindCodecLibraries();
    EXPECT_FALSE(BindCodecLibraries(dir.string(), true, Probe(2)));  // restored on failure too
    EXPECT_EQ(std::string(std::getenv("PATH")), dir.string() + ":" + savedPath);  // not added twice
    EXPECT_EQ(std::filesystem::current_path(), savedCwd);

    ::setenv("PATH", savedPath.c_str(), 1);
    std::filesystem::remove_all(dir);
}

TEST_F(LibraryBinding, DescriptionMarksEveryEntry) {
    const auto lines = DescribeCodecSupport();
    EXPECT_THAT(lines, ::testing::Contains(::testing::MatchesRegex(" *encoder +libx264 +available")));
    EXPECT_THAT(lines, ::testing::Contains(::testing::MatchesRegex(" *muxer +psp +available")));
    EXPECT_THAT(lines, ::testing::Contains(::testing::StartsWith("libswresample ")));
}

}  // namespace
}  // namespace vidmorph
