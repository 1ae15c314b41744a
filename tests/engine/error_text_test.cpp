#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine.h"

namespace vidmorph {
namespace {

TEST(ErrorText, MapsLibraryErrorsOntoTheirTemplates) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {AVERROR(EILSEQ), "in.xyz: Unknown format"},
        {AVERROR_DEMUXER_NOT_FOUND, "in.xyz: Unknown format"},
        {AVERROR(EDOM),
         "in.xyz: Incorrect image filename syntax.\r\nUse '%d' to specify the image number:\r\n"
         "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'."},
        {AVERROR(EINVAL), "in.xyz: Error while parsing header"},
        {AVERROR_INVALIDDATA, "in.xyz: Error while parsing header"},
        {AVERROR(ENOMEM), "in.xyz: memory allocation error occurred"},
        {AVERROR(EIO),
         "in.xyz: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted."},
        {AVERROR(ENOENT), "in.xyz: no such file or directory"},
        {AVERROR(EPERM), "in.xyz: Error while opening file"},
        {-12345, "in.xyz: Error while opening file"},
    };
    for (const auto& c : cases) EXPECT_EQ(TCustomFFmpeg::ErrorText("in.xyz", c.code), c.text) << c.code;
}

TEST(FileSizeOf, GivesSizeOfRegularFilesOnly) {
    const auto dir = std::filesystem::temp_directory_path() / "vidmorph_filesize";
    std::filesystem::create_directories(dir);
    const auto file = dir / "five.bin";
    std::ofstream(file) << "12345";
    EXPECT_EQ(TCustomFFmpeg::FileSizeOf(file.string()), 5);
    EXPECT_EQ(TCustomFFmpeg::FileSizeOf((dir / "missing").string()), -1);
    EXPECT_EQ(TCustomFFmpeg::FileSizeOf(dir.string()), -1);  // a folder is no file
    EXPECT_EQ(TCustomFFmpeg::FileSizeOf("/dev/null"), -1);    // nor is a device
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vidmorph
