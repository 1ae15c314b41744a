#include "cli_reports.h"

#include <nlohmann/json.hpp>

extern "C" {
#include <libavformat/avformat.h>
}

#include "format_choice.h"
#include "media_info_text.h"
#include "media_probe.h"

namespace vidmorph::cli {

namespace {

using nlohmann::json;

struct TNamedList {
    const char* Name;
    const TSettingList& List;
};

std::vector<TNamedList> EightLists(const TVectorProfileLists& L) {
    return {{"video-quality", L.videoBitrate}, {"video-codec", L.videoCodec},    {"video-size", L.videoSize},
            {"frame-rate", L.videoFramerate},  {"audio-quality", L.audioBitrate}, {"audio-codec", L.audioCodec},
            {"audio-channels", L.audioChannels}, {"sampling-rate", L.samplingRate}};
}

std::string Fraction(AVRational r) { return std::to_string(r.num) + "/" + std::to_string(r.den); }

json StreamJson(const AVStream& st) {
    const AVCodecParameters& p = *st.codecpar;
    json s{{"index", st.index}, {"kind", av_get_media_type_string(p.codec_type) ? av_get_media_type_string(p.codec_type) : "unknown"},
           {"codec", avcodec_get_name(p.codec_id)}};
    if (p.codec_type == AVMEDIA_TYPE_VIDEO) {
        s["width"] = p.width;
        s["height"] = p.height;
        s["frame_rate"] = Fraction(st.r_frame_rate);
    } else if (p.codec_type == AVMEDIA_TYPE_AUDIO) {
        s["sample_rate"] = p.sample_rate;
        s["channels"] = p.ch_layout.nb_channels;
    }
    const AVDictionaryEntry* language = av_dict_get(st.metadata, "language", nullptr, 0);
    s["language"] = language ? language->value : "";
    return s;
}

}  // namespace

void ListFormats(const TVectorProfileLists& L, bool AJson, std::ostream& out) {
    json formats = json::array();
    for (int i = 0; i < L.format.Count(); ++i) {
        const TheAVCodec* row = FindAVCodec(L.format.Item(i));
        if (!row) continue;
        formats.push_back({{"index", i},
                           {"name", std::string(ShortNameOf(row->DisplayName))},
                           {"display_name", std::string(row->DisplayName)},
                           {"extension", std::string(row->Extension)}});
    }
    if (AJson) {
        out << json{{"formats", formats}}.dump(2) << "\n";
        return;
    }
    for (const json& f : formats) {
        char line[160];
        std::snprintf(line, sizeof line, "%2d  %-17s %-4s %s", f["index"].get<int>(),
                      f["name"].get<std::string>().c_str(), f["extension"].get<std::string>().c_str(),
                      f["display_name"].get<std::string>().c_str());
        out << line << "\n";
    }
}

void ShowFormat(const TVectorProfileLists& L, bool AJson, std::ostream& out) {
    const std::string display = L.format.Text();
    json lists = json::object();
    for (const TNamedList& l : EightLists(L)) {
        json entries = json::array();
        for (int i = 0; i < l.List.Count(); ++i) entries.push_back(l.List.Item(i));
        lists[l.Name] = {{"entries", entries}, {"selected", l.List.ItemIndex() >= 0 ? json(l.List.Text()) : json()}};
    }
    if (AJson) {
        out << json{{"format", display}, {"name", std::string(ShortNameOf(display))}, {"extension", L.lists.OutputExtension},
                    {"lists", lists}}
                   .dump(2)
            << "\n";
        return;
    }
    out << display << " (" << ShortNameOf(display) << ", ." << L.lists.OutputExtension << ")\n";
    for (const TNamedList& l : EightLists(L)) {
        out << "  --" << l.Name << ":";
        if (l.List.Count() == 0) out << " (none)";
        for (int i = 0; i < l.List.Count(); ++i)
            out << (i ? ", " : " ") << (i == l.List.ItemIndex() ? "[" + l.List.Item(i) + "]" : "\"" + l.List.Item(i) + "\"");
        out << "\n";
    }
}

bool ProbeFiles(const std::vector<std::string>& AFiles, bool AJson, std::ostream& out) {
    bool allRead = true;
    json files = json::array();
    TAVProbe probe;
    for (const std::string& file : AFiles) {
        json f{{"file", file}};
        if (!probe.OpenFile(file, "")) {
            allRead = false;
            f["progress"] = "Error";
            f["error"] = probe.LastError;
        } else {
            const TMediaInfoTexts texts = MediaInfoTexts(probe);
            TProbeFileInfo info;
            probe.ReadFileInfo(info);
            const AVFormatContext& ctx = *probe.FormatContext();
            f["video_size"] = texts.VideoSize;
            f["frame_rate"] = texts.FrameRate;
            f["duration"] = texts.Duration;
            f["container"] = ctx.iformat->name;
            f["duration_us"] = info.Duration == AV_NOPTS_VALUE ? json() : json(info.Duration);
            f["bit_rate"] = info.BitRate;
            json streams = json::array();
            for (unsigned i = 0; i < ctx.nb_streams; ++i) streams.push_back(StreamJson(*ctx.streams[i]));
            f["streams"] = streams;
        }
        files.push_back(f);
    }
    if (AJson) {
        out << json{{"files", files}}.dump(2) << "\n";
        return allRead;
    }
    for (const json& f : files) {
        out << f["file"].get<std::string>() << "\n";
        if (f.contains("error")) {
            out << "  Error: " << f["error"].get<std::string>() << "\n";
            continue;
        }
        out << "  Video Size: " << f["video_size"].get<std::string>() << "   Frame Rate: "
            << f["frame_rate"].get<std::string>() << "   Duration: " << f["duration"].get<std::string>() << "\n";
        out << "  container " << f["container"].get<std::string>() << ", duration "
            << (f["duration_us"].is_null() ? std::string("unknown") : std::to_string(f["duration_us"].get<int64_t>()) + " us")
            << ", bit rate " << f["bit_rate"].get<int>() << "\n";
        for (const json& s : f["streams"]) {
            out << "  #" << s["index"].get<int>() << " " << s["kind"].get<std::string>() << " "
                << s["codec"].get<std::string>();
            if (s.contains("width"))
                out << " " << s["width"].get<int>() << "x" << s["height"].get<int>() << " "
                    << s["frame_rate"].get<std::string>() << " fps";
            if (s.contains("sample_rate"))
                out << " " << s["sample_rate"].get<int>() << " Hz " << s["channels"].get<int>() << " ch";
            if (!s["language"].get<std::string>().empty()) out << " (" << s["language"].get<std::string>() << ")";
            out << "\n";
        }
    }
    return allRead;
}

}  // namespace vidmorph::cli
