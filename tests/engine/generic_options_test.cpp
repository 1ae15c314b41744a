// The generic option path into FFmpeg's codec, format and scaler option tables.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include "engine_test_support.h"
#include "log_levels.h"

namespace vidmorph {
namespace {

class GenericOptions : public ::testing::Test {
protected:
    void SetUp() override { e.Prepare(); }
    void TearDown() override { SetProcessLogLevel(1); }
    AVCodecContext* Defaults(AVMediaType kind) { return e.CodecDefaults[kind].get(); }
    int64_t Int(void* obj, const char* name) {
        int64_t v = 0;
        EXPECT_GE(av_opt_get_int(obj, name, 0, &v), 0) << name;
        return v;
    }
    TCustomFFmpeg e;
};

TEST_F(GenericOptions, CodecOptionReachesTheKindsItBelongsTo) {
    EXPECT_TRUE(e.SetGenericOption("g", "30"));  // a video option
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
    EXPECT_NE(Defaults(AVMEDIA_TYPE_AUDIO)->gop_size, 30);

    EXPECT_TRUE(e.SetGenericOption("cutoff", "15000"));  // an audio option
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_AUDIO)->cutoff, 15000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->cutoff, 0);

    EXPECT_THAT(e.GenericOptionNames, ::testing::ElementsAre("g", "cutoff"));
}

TEST_F(GenericOptions, UnprefixedRateOptionsStayWithVideo) {
    const int64_t audioDefault = Defaults(AVMEDIA_TYPE_AUDIO)->bit_rate;
    for (const char* name : {"b", "maxrate", "bufsize"}) EXPECT_TRUE(e.SetGenericOption(name, "768000")) << name;
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->bit_rate, 768000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->rc_max_rate, 768000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_AUDIO)->bit_rate, audioDefault);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_AUDIO)->rc_max_rate, 0);
}

TEST_F(GenericOptions, PrefixRuleSelectsAudioVideoOrSubtitle) {
    EXPECT_TRUE(e.SetGenericOption("ab", "128000"));
    EXPECT_TRUE(e.SetGenericOption("abt", "8000"));
    EXPECT_TRUE(e.SetGenericOption("vb", "500000"));
    EXPECT_TRUE(e.SetGenericOption("sstrict", "-2"));
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_AUDIO)->bit_rate, 128000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_AUDIO)->bit_rate_tolerance, 8000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->bit_rate, 500000);
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_SUBTITLE)->strict_std_compliance, -2);
    // The library's own name is what is remembered ("ab" is an audio option of its own).
    EXPECT_THAT(e.GenericOptionNames, ::testing::ElementsAre("ab", "bt", "b", "strict"));
}

TEST_F(GenericOptions, FormatAndScalerOptions) {
    EXPECT_TRUE(e.SetGenericOption("packetsize", "2324"));
    EXPECT_EQ(e.FormatDefaults->packet_size, 2324u);
    EXPECT_TRUE(e.SetGenericOption("sws_flags", "bilinear"));
    EXPECT_EQ(Int(e.ScalerDefaults.get(), "sws_flags"), SWS_BILINEAR);
    EXPECT_THAT(e.GenericOptionNames, ::testing::ElementsAre("packetsize", "sws_flags"));
}

TEST_F(GenericOptions, RefusesUnknownNamesBadValuesAndBlanks) {
    const std::pair<const char*, const char*> refused[] = {
        {"foo", "1"}, {"g", "many"}, {"", "1"}, {"g", "  "}, {"  ", "1"}, {"a", "1"}, {"xfoo", "1"},
    };
    for (const auto& [name, value] : refused) EXPECT_FALSE(e.SetGenericOption(name, value)) << name << "=" << value;
    EXPECT_TRUE(e.GenericOptionNames.empty());
    // Unknown keywords reach the generic path and are ignored.
    e.ApplyOption("foo", "bar");
    EXPECT_TRUE(e.GenericOptionNames.empty());
}

TEST_F(GenericOptions, RepeatedOptionsAreListedEachTime) {
    e.SetGenericOptionInt("g", 10);
    e.SetGenericOptionInt("g", 20);
    EXPECT_THAT(e.GenericOptionNames, ::testing::ElementsAre("g", "g"));
    EXPECT_EQ(Defaults(AVMEDIA_TYPE_VIDEO)->gop_size, 20);
}

TEST_F(GenericOptions, DebugFlagRaisesVerbosity) {
    EXPECT_TRUE(e.SetGenericOption("debug", "pict"));
    EXPECT_EQ(e.Verbosity, 2);
    EXPECT_EQ(av_log_get_level(), AV_LOG_DEBUG);
    EXPECT_EQ(CachedLogLevel.load(), 2);
}

TEST_F(GenericOptions, WithoutPrepareNothingIsAccepted) {
    TCustomFFmpeg fresh;
    EXPECT_FALSE(fresh.SetGenericOption("g", "12"));
}

TEST_F(GenericOptions, CopyCarriesOptionsWhoseFlagsMatch) {
    e.SetGenericOption("g", "30");
    e.SetGenericOption("flags", "+global_header");
    e.SetGenericOption("cutoff", "12000");
    e.SetGenericOption("ab", "64000");

    CodecContextPtr video(avcodec_alloc_context3(nullptr));
    e.CopyGenericOptions(video.get(), Defaults(AVMEDIA_TYPE_VIDEO), AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    EXPECT_EQ(video->gop_size, 30);
    EXPECT_TRUE(video->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
    EXPECT_EQ(video->cutoff, 0);  // an audio option is not copied into a video context

    CodecContextPtr audio(avcodec_alloc_context3(nullptr));
    e.CopyGenericOptions(audio.get(), Defaults(AVMEDIA_TYPE_AUDIO), AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    EXPECT_EQ(audio->cutoff, 12000);
    EXPECT_EQ(audio->bit_rate, 64000);

    FormatContextPtr format(avformat_alloc_context());
    e.SetGenericOption("packetsize", "2048");
    e.CopyGenericOptions(format.get(), e.FormatDefaults.get(), AV_OPT_FLAG_ENCODING_PARAM);
    EXPECT_EQ(format->packet_size, 2048u);
}

}  // namespace
}  // namespace vidmorph
