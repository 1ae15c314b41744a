// The generic option path: keywords the engine has no handler for are handed
// to the option tables of FFmpeg's codec, format and scaler contexts. The
// values wait in the engine's default contexts until the real contexts are
// created, then CopyGenericOptions carries them over.
#include <array>
#include <string_view>

extern "C" {
#include <libavutil/opt.h>
}

#include "conversions.h"
#include "engine.h"

namespace vidmorph {

namespace {

// Option flag masks of the media kinds video, audio, data, subtitle, attachment.
constexpr std::array<int, CODEC_KIND_COUNT> kKindMasks{AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                                       AV_OPT_FLAG_SUBTITLE_PARAM, 0};

// Rate options the current codec table shares between audio and video. Their
// unprefixed keywords always meant the video stream ("ab", "abt" and the "a"
// prefix reach the audio one), so they stay in the video defaults; otherwise
// a video bit rate would also become the audio encoder's.
bool IsVideoRateOption(std::string_view name) {
    return name == "b" || name == "bt" || name == "maxrate" || name == "minrate" || name == "bufsize";
}

// Whether some muxer or encoder has a private option of this name.
bool IsPrivateOption(const std::string& name) {
    const auto knows = [&](const AVClass* cls) {
        return cls && av_opt_find(&cls, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
    };
    void* it = nullptr;
    while (const AVOutputFormat* f = av_muxer_iterate(&it))
        if (knows(f->priv_class)) return true;
    it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (av_codec_is_encoder(c) && knows(c->priv_class)) return true;
    return false;
}

const AVOption* SetIn(void* obj, const std::string& name, const std::string& value) {
    if (!obj) return nullptr;
    const AVOption* o = av_opt_find(obj, name.c_str(), nullptr, 0, 0);
    if (!o || av_opt_set(obj, name.c_str(), value.c_str(), 0) < 0) return nullptr;
    return o;
}

}  // namespace

bool TCustomFFmpeg::SetGenericOption(const std::string& Name0, const std::string& Value) {
    if (Trim(Name0).empty() || Trim(Value).empty()) return false;
    // The group-of-pictures size was "gop" in the option table the keywords were made for.
    const std::string& Name = Name0 == "gop" ? std::string("g") : Name0;

    const AVOption* o = nullptr;
    if (AVCodecContext* video = CodecDefaults[AVMEDIA_TYPE_VIDEO].get()) {
        for (int kind = 0; kind < CODEC_KIND_COUNT; ++kind) {
            if (kind != AVMEDIA_TYPE_VIDEO && IsVideoRateOption(Name)) continue;
            const AVOption* found = av_opt_find(video, Name.c_str(), nullptr, kKindMasks[kind], 0);
            if (found && CodecDefaults[kind])
                o = av_opt_set(CodecDefaults[kind].get(), Name.c_str(), Value.c_str(), 0) >= 0 ? found : nullptr;
        }
    }
    if (!o) o = SetIn(FormatDefaults.get(), Name, Value);
    if (!o) o = SetIn(ScalerDefaults.get(), Name, Value);
    if (!o && Name.size() > 1) {
        const std::string rest = Name.substr(1);
        switch (Name[0]) {
            case 'a': o = SetIn(CodecDefaults[AVMEDIA_TYPE_AUDIO].get(), rest, Value); break;
            case 'v': o = SetIn(CodecDefaults[AVMEDIA_TYPE_VIDEO].get(), rest, Value); break;
            case 's': o = SetIn(CodecDefaults[AVMEDIA_TYPE_SUBTITLE].get(), rest, Value); break;
            default: break;
        }
    }
    if (!o) {
        if (!IsPrivateOption(Name)) return false;
        PrivateOptions.emplace_back(Name, Value);
        return true;
    }

    GenericOptionNames.emplace_back(o->name);
    const AVCodecContext* video = CodecDefaults[AVMEDIA_TYPE_VIDEO].get();
    if ((video && video->debug) || (FormatDefaults && FormatDefaults->debug)) SetVerbosity(2);
    return true;
}

bool TCustomFFmpeg::SetGenericOptionInt(const std::string& Name, int64_t Value) {
    return SetGenericOption(Name, std::to_string(Value));
}

void TCustomFFmpeg::CopyGenericOptions(void* target, void* source, int flags) const {
    if (!target || !source) return;
    for (const std::string& name : GenericOptionNames) {
        const AVOption* o = av_opt_find(source, name.c_str(), nullptr, 0, 0);
        if (!o || (o->flags & flags) != flags) continue;
        uint8_t* text = nullptr;
        if (av_opt_get(source, name.c_str(), 0, &text) < 0 || !text) continue;
        const AvMemory<uint8_t> owned(text);
        av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(text), 0);
    }
}

AVDictionary* TCustomFFmpeg::PrivateOptionsFor(const AVClass* privateClass) const {
    AVDictionary* options = nullptr;
    if (!privateClass) return options;
    for (const auto& [name, value] : PrivateOptions)
        if (av_opt_find(&privateClass, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
            av_dict_set(&options, name.c_str(), value.c_str(), 0);
    return options;
}

void TCustomFFmpeg::ApplyBitrate(const std::string& Keyword, const std::string& Value) {
    if (Keyword.empty() || Value.empty()) return;
    if (!SetGenericOption(Keyword, Value) || !LogHandler) return;
    const int kind = Keyword[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    int64_t bitrate = 0;
    if (CodecDefaults[kind] && av_opt_get_int(CodecDefaults[kind].get(), "b", 0, &bitrate) >= 0 && bitrate < 1000)
        Log(1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

}  // namespace vidmorph
