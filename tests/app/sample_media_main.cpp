// Writes a few short sample media files into a folder, for pictures of the
// main window: app_sample_media FOLDER
#include <cstdio>
#include <exception>
#include <string>

#include "media_fixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    using vidmorph::fixtures::MakeMediaFile;
    using vidmorph::fixtures::MediaSpec;
    const std::string folder = argv[1];
    try {
        MakeMediaFile(folder + "/holiday.mp4", MediaSpec{.videoCodec = "mpeg4",
                                                         .width = 640,
                                                         .height = 480,
                                                         .frameRate = {30000, 1001},
                                                         .audioCodec = "aac",
                                                         .seconds = 6});
        MakeMediaFile(folder + "/interview.avi",
                      MediaSpec{.container = "avi", .videoCodec = "mpeg4", .audioCodec = "libmp3lame", .seconds = 4});
        MakeMediaFile(folder + "/theme song.mp3", MediaSpec{.audioCodec = "libmp3lame", .seconds = 8});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
