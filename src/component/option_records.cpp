#include "option_records.h"

#include <cmath>
#include <ctime>

#include "conversions.h"

namespace vidmorph {

void InitInputOptions(TInputOptions& AOptions) {
    AOptions.FileName.clear();
    AOptions.ForceFormat.clear();
    AOptions.StartTime = -1;
    AOptions.ProgramID = -1;
    AOptions.ExtraOptions.clear();
}

void InitOutputOptions(TOutputOptions& o) {
    o.FileName.clear();
    o.ForceFormat.clear();
    o.PacketSize = o.MuxRate = -1;
    o.MuxDelay = o.MuxPreload = -1.0f;
    o.AudioCodec.clear();
    o.DisableAudio = false;
    o.AudioVolume = o.AudioChannels = o.AudioSampleRate = o.AudioBitrate = o.AudioBitrateTolerance = -1;
    o.AudioLanguage.clear();
    o.AudioSyncMethod = 0;
    o.AudioTag.clear();
    o.VideoCodec.clear();
    o.DisableVideo = false;
    o.FrameRate.clear();
    o.FrameSize.clear();
    o.AspectRatio.clear();
    o.CropTop = o.CropBottom = o.CropLeft = o.CropRight = -1;
    o.PadTop = o.PadBottom = o.PadLeft = o.PadRight = -1;
    o.PadColor = 0;
    o.GopSize = o.VideoBitrate = o.VideoMaxRate = o.VideoMinRate = o.VideoBitrateTolerance = o.VideoBufferSize = -1;
    o.VideoSyncMethod = -1;
    o.VideoTag.clear();
    o.DisableSubtitle = false;
    o.SubtitleLanguage.clear();
    o.CopyTimestamps = false;
    o.RecordingTime = -1;
    o.Timestamp = -1.0;
    o.Year = o.Track = -1;
    for (TMetaText* t : {&o.Title, &o.Author, &o.Copyright, &o.Comment, &o.Album}) t->fill('\0');
    o.Genre.fill('\0');
    o.Target = 0;
    o.TargetNorm = 0;
    o.FallbackNorm = 1;
    o.CustomHook = o.BeforeHook = false;
    o.HookRanges.clear();
    o.ExtraOptions.clear();
}

void ApplyOptionText(TCustomFFmpeg& AEngine, const std::string& AText) {
    // Trimmed; CR LF and lone CR become LF.
    std::string text;
    const std::string trimmed = Trim(AText);
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '\r') {
            text += '\n';
            if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
        } else {
            text += trimmed[i];
        }
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            AEngine.ApplyOption(line, "");
        else
            AEngine.ApplyOption(line.substr(0, eq), line.substr(eq + 1));
    }
}

void ApplyInputOptions(TCustomFFmpeg& AEngine, const TInputOptions& AOptions) {
    ApplyOptionText(AEngine, AOptions.ExtraOptions);
    AEngine.SetInputFormat(AOptions.ForceFormat);
    const int64_t start = int64_t(AOptions.StartTime) * 1000;
    if (start > 0) AEngine.StartTime = start;
    if (AOptions.ProgramID >= 0) AEngine.ProgramID = AOptions.ProgramID;
}

int64_t TimestampToUnix(double ADateTime) {
    tzset();
    const double biasMinutes = static_cast<double>(timezone) / 60.0;  // UTC = local + bias, standard time
    return static_cast<int64_t>(std::nearbyint((ADateTime - 25569.0 + biasMinutes / 1440.0) * 86400.0));
}

int32_t ColorToRGB(int32_t AColor) {
    if (AColor >= 0) return AColor;
    // The desktop's classic system colours (RRGGBB), by index.
    static constexpr int32_t kSystem[] = {
        0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
        0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x434E54, 0xFFFFFF, 0x696969,
        0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};
    const int index = AColor & 0xFF;
    const int32_t rgb = index < static_cast<int>(std::size(kSystem)) ? kSystem[index] : 0;
    // Red in the lowest byte.
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

void ApplyOutputOptions(TCustomFFmpeg& e, const TOutputOptions& o) {
    ApplyOptionText(e, o.ExtraOptions);
    e.SetOutputFormat(o.ForceFormat);
    if (o.PacketSize > 0) e.SetGenericOptionInt("packetsize", o.PacketSize);
    if (o.MuxRate > 0) e.SetGenericOptionInt("muxrate", o.MuxRate);
    if (o.MuxDelay > 0) e.MuxMaxDelay = o.MuxDelay;
    if (o.MuxPreload > 0) e.MuxPreload = o.MuxPreload;
    e.SetAudioCodec(o.AudioCodec);
    if (o.DisableAudio) e.AudioDisable = 1;
    if (o.AudioVolume >= 0) e.AudioVolume = o.AudioVolume;
    e.SetAudioChannels(o.AudioChannels);
    e.SetAudioSampleRate(o.AudioSampleRate);
    if (o.AudioBitrate > 0) e.SetGenericOptionInt("ab", o.AudioBitrate);
    if (o.AudioBitrateTolerance > 0) e.SetGenericOptionInt("abt", o.AudioBitrateTolerance);
    e.AudioLanguage = o.AudioLanguage;
    e.AudioSyncMethod = o.AudioSyncMethod;
    e.SetAudioTag(o.AudioTag);
    e.SetVideoCodec(o.VideoCodec);
    if (o.DisableVideo) e.VideoDisable = 1;
    e.SetFrameRate(o.FrameRate);
    e.SetFrameSize(o.FrameSize);
    e.SetFrameAspectRatio(o.AspectRatio);
    e.SetCropTop(o.CropTop);
    e.SetCropBottom(o.CropBottom);
    e.SetCropLeft(o.CropLeft);
    e.SetCropRight(o.CropRight);
    e.SetPadTop(o.PadTop);
    e.SetPadBottom(o.PadBottom);
    e.SetPadLeft(o.PadLeft);
    e.SetPadRight(o.PadRight);
    e.SetPadColor(ColorToRGB(o.PadColor));
    const std::pair<const char*, int> rates[] = {{"gop", o.GopSize},        {"vb", o.VideoBitrate},
                                                 {"maxrate", o.VideoMaxRate}, {"minrate", o.VideoMinRate},
                                                 {"bt", o.VideoBitrateTolerance}, {"bufsize", o.VideoBufferSize}};
    for (const auto& [name, value] : rates)
        if (value > 0) e.SetGenericOptionInt(name, value);
    e.VideoSyncMethod = o.VideoSyncMethod;
    e.SetVideoTag(o.VideoTag);
    if (o.DisableSubtitle) e.SubtitleDisable = 1;
    e.SubtitleLanguage = o.SubtitleLanguage;
    e.CopyTimestamps = o.CopyTimestamps;
    e.SetRecordingTimeMs(o.RecordingTime);
    if (o.Timestamp == 0.0)
        e.RecordTimestamp = static_cast<int64_t>(std::time(nullptr));
    else if (o.Timestamp > 0.0)
        e.RecordTimestamp = TimestampToUnix(o.Timestamp);
    if (o.Year > 0) e.Year = o.Year;
    if (o.Track > 0) e.Track = o.Track;
    e.SetTitle(MetaText(o.Title));
    e.SetAuthor(MetaText(o.Author));
    e.SetCopyright(MetaText(o.Copyright));
    e.SetComment(MetaText(o.Comment));
    e.SetAlbum(MetaText(o.Album));
    e.SetGenre(MetaText(o.Genre));

    // The target preset.
    if (o.Target >= 1 && o.Target <= 3) {
        const char* norm = o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto";
        e.ApplyTarget(o.Target == 1 ? "vcd" : o.Target == 2 ? "svcd" : "dvd", norm, o.FallbackNorm == 1 ? "pal" : "ntsc");
    }
}

std::vector<THookRange> ParseHookRanges(const std::string& AText) {
    std::vector<THookRange> ranges;
    std::string rest = Trim(AText);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string piece = Trim(rest.substr(0, comma));
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        const std::size_t dash = piece.find('-');
        const std::string start = Trim(piece.substr(0, dash));
        const std::string end = dash == std::string::npos ? std::string() : piece.substr(dash + 1);
        const THookRange r{TryStrToInt64(start).value_or(-1) * 1000, TryStrToInt64(end).value_or(-1) * 1000};
        if (r.Start <= r.End && r.End >= 0) ranges.push_back(r);
    }
    return ranges;
}

}  // namespace vidmorph
