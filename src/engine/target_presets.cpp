// Disc and camcorder presets ("target"), the pad colour and the quantiser
// matrices.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "conversions.h"
#include "engine.h"
#include "text_format.h"

namespace vidmorph {

namespace {

enum TNorm { nmPal = 0, nmNtsc = 1, nmFilm = 2 };

const char* const kNormRates[] = {"25", "30000/1001", "24000/1001"};

// r = rate x 1000, halves to even; PAL at 25 fps, NTSC at 29.97 or 23.976.
int NormOfRate(double rateTimes1000) {
    const long long r = std::llrint(rateTimes1000);
    if (r == 25000) return nmPal;
    if (r == 29970 || r == 23976) return nmNtsc;
    return -1;
}

}  // namespace

void TCustomFFmpeg::ApplyTarget(const std::string& Type, const std::string& Norm, const std::string& FallbackNorm) {
    const bool vcd = Type == "vcd", svcd = Type == "svcd", dvd = Type == "dvd", dv = Type == "dv" || Type == "dv50";
    int norm = Norm == "pal" ? nmPal : Norm == "ntsc" ? nmNtsc : Norm == "film" ? nmFilm : -1;
    if (norm < 0) {
        if (FrameRate.den == 0) throw FFMpegException("frame_rate is invalid.");
        norm = NormOfRate(FrameRate.num * 1000.0 / FrameRate.den);
        for (int f = 0; f < InputFileCount && norm < 0; ++f) {
            for (unsigned s = 0; s < InputFiles[f]->nb_streams && norm < 0; ++s) {
                const AVStream* st = InputFiles[f]->streams[s];
                // The stream's frame period (the old codec time base) is the inverse of its rate.
                const AVRational rate = st->r_frame_rate;
                if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && rate.num > 0 && rate.den > 0)
                    norm = NormOfRate(rate.num * 1000.0 / rate.den);
            }
        }
        if (norm < 0) norm = FallbackNorm == "film" ? nmFilm : FallbackNorm == "ntsc" ? nmNtsc : nmPal;
        if (Verbosity > 0) Log(1, Printf("Assuming %s for target.", norm == nmPal ? "PAL" : "NTSC"));
    }
    if (!vcd && !svcd && !dvd && !dv) throw FFMpegException("Unknown target type");
    const bool pal = norm == nmPal;

    if (vcd || svcd || dvd) {
        SetVideoCodec(vcd ? "mpeg1video" : "mpeg2video");
        SetAudioCodec(dvd ? "ac3" : "mp2");
    }
    SetOutputFormat(vcd ? "vcd" : svcd ? "svcd" : dvd ? "dvd" : "dv");
    if (vcd)
        SetFrameSize(pal ? "352x288" : "352x240");
    else if (svcd)
        SetFrameSize(pal ? "480x576" : "480x480");
    else
        SetFrameSize(pal ? "720x576" : "720x480");
    if (Type == "dv50")
        ApplyOption("pix_fmt", "yuv422p");
    else if (dv)
        ApplyOption("pix_fmt", pal ? "yuv420p" : "yuv411p");
    SetFrameRate(kNormRates[norm]);
    if (!dv) {
        SetGenericOption("g", pal ? "15" : "18");
        SetGenericOption("b", vcd ? "1150000" : svcd ? "2040000" : "6000000");
        SetGenericOption("maxrate", vcd ? "1150000" : svcd ? "2516000" : "9000000");
        SetGenericOption("minrate", vcd ? "1150000" : "0");
        SetGenericOption("bufsize", vcd ? "327680" : "1835008");
        // The scan offset of SVCD is a private option of today's MPEG-2 encoder.
        if (svcd) SetGenericOption("scan_offset", "1");
        SetGenericOption("ab", dvd ? "448000" : "224000");
    }
    AudioSampleRate = vcd || svcd ? 44100 : 48000;
    if (vcd || dv)
        AudioChannels = 2;
    else if (AudioChannels == 1)
        AudioChannels = 2;
    if (!dv) {
        SetGenericOption("packetsize", dvd ? "2048" : "2324");
        if (!svcd) SetGenericOption("muxrate", vcd ? "1411200" : "10080000");
    }
    if (vcd) MuxPreload = 0.44f;
    if (FrameAspectRatio == 0.0f && !dv) SetFrameAspectRatio(dvd ? "16:9" : "4:3");
}

void TCustomFFmpeg::ApplyTargetKeyword(const std::string& Value) {
    const std::string value = Trim(Value);
    for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
        if (value.starts_with(prefix)) {
            const std::string norm(prefix, std::strlen(prefix) - 1);
            ApplyTarget(value.substr(norm.size() + 1), norm, "ntsc");
            return;
        }
    }
    ApplyTarget(value, "", "ntsc");
}

void TCustomFFmpeg::SetPadColor(int Color) {
    const int r = Color & 0xFF, g = (Color >> 8) & 0xFF, b = (Color >> 16) & 0xFF;
    PadColor = {(307 * r + 602 * g + 117 * b + 512) >> 10, ((-173 * r - 340 * g + 512 * b + 511) >> 10) + 128,
                ((512 * r - 429 * g - 84 * b + 511) >> 10) + 128};
}

void TCustomFFmpeg::ParseMatrix(const std::string& Value, TQuantMatrix& Matrix) {
    Matrix.reset(static_cast<uint16_t*>(av_mallocz(64 * sizeof(uint16_t))));
    if (!Matrix) throw std::bad_alloc();
    std::size_t pos = 0;
    for (int i = 0; i < 64; ++i) {
        Matrix.get()[i] = static_cast<uint16_t>(std::strtol(Value.c_str() + pos, nullptr, 10));
        if (i == 63) break;
        const std::size_t comma = Value.find(',', pos);
        if (comma == std::string::npos) throw FFMpegException(Printf("Syntax error in matrix \"%s\" at coeff %d", Value.c_str(), i));
        pos = comma + 1;
    }
}

}  // namespace vidmorph
