// The main window's ten lists held in vectors, for front ends without
// widgets (the command line) and for tests: the format list filled and the
// fixed channel and aspect entries in place, as the window starts.
#pragma once

#include "output_format.h"
#include "profile_lists.h"
#include "setting_list.h"

namespace vidmorph {

class TVectorProfileLists {
public:
    TVectorProfileLists() {
        FillComboOutputFormat(lists);
        FillFixedLists(lists);
    }
    TVectorProfileLists(const TVectorProfileLists&) = delete;
    TVectorProfileLists& operator=(const TVectorProfileLists&) = delete;

    TVectorSettingList format, videoBitrate, videoCodec, videoSize, videoFramerate, audioBitrate, audioCodec,
        audioChannels, samplingRate, aspectRatio;
    TProfileLists lists{.ComboOutputFormat = format,
                        .ComboVideoBitrate = videoBitrate,
                        .ComboVideoCodec = videoCodec,
                        .ComboVideoSize = videoSize,
                        .ComboVideoFramerate = videoFramerate,
                        .ComboAudioBitrate = audioBitrate,
                        .ComboAudioCodec = audioCodec,
                        .ComboAudioChannels = audioChannels,
                        .ComboSamplingRate = samplingRate,
                        .ComboAspectRatio = aspectRatio};
};

}  // namespace vidmorph
