// Progress of a running conversion: the progress event (or log line), the
// final summary, the quantiser histogram and the per-frame video statistics.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/time.h>
#include <libavutil/avutil.h>
}

#include "engine.h"
#include "text_format.h"

namespace vidmorph {

namespace {

// Appends to a line, keeping it within 1023 characters.
void Append(std::string& line, const std::string& text) {
    line += text;
    if (line.size() > 1023) line.resize(1023);
}

double PsnrOf(double error) { return -10.0 * std::log10(error); }

}  // namespace

void TCustomFFmpeg::Report(bool LastReport) {
    AVIOContext* pb = OutputFileCount > 0 ? OutputFiles[0]->pb : nullptr;
    int64_t size = pb ? avio_size(pb) : 0;
    if (size < 0 && pb) size = avio_tell(pb);
    if (size < 0) size = 0;

    std::string line;
    double outputTime = 1e10;
    bool videoSeen = false;
    int frameNumber = -1, fps = -1;
    float quality = -1.0f;
    for (const auto& ost : OutputStreamTable) {
        const AVCodecContext* enc = ost->Codec;
        const bool copied = !ost->EncodingNeeded;
        const AVMediaType kind = enc ? enc->codec_type : ost->Stream->codecpar->codec_type;
        const float coded = copied ? -1.0f : ost->CodedQuality / static_cast<float>(FF_QP2LAMBDA);
        if (kind == AVMEDIA_TYPE_VIDEO && videoSeen) {
            Append(line, Printf("q=%2.1f ", coded));
        } else if (kind == AVMEDIA_TYPE_VIDEO) {
            const double elapsed = (av_gettime() - StartClock) / 1000000.0;
            frameNumber = ost->FrameNumber;
            if (frameNumber < 1) return;  // nothing to tell before the first picture
            fps = elapsed > 1 ? static_cast<int>(frameNumber / elapsed + 0.5) : 0;
            quality = coded;
            Append(line, Printf("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, quality));
            if (LastReport) line += "L";
            if (QpHistogram && !copied) {
                const long qp = std::lrint(ost->CodedQuality / static_cast<double>(FF_QP2LAMBDA));
                if (qp >= 0 && qp < QP_HISTOGRAM_SIZE) ++QpCounts[static_cast<std::size_t>(qp)];
                for (int j = 0; j < 32; ++j)
                    Append(line, Printf("%X", static_cast<int>(std::lrint(std::log2(QpCounts[static_cast<std::size_t>(j)] + 1)))));
            }
            if (enc && (enc->flags & AV_CODEC_FLAG_PSNR)) {
                double errorSum = 0, scaleSum = 0;
                line += "PSNR=";
                for (int j = 0; j < 3; ++j) {
                    const double error = LastReport ? static_cast<double>(enc->error[j]) : ost->CodedError[j];
                    double scale = double(enc->width) * enc->height * 255.0 * 255.0;
                    if (LastReport) scale *= frameNumber;
                    if (j) scale /= 4;
                    errorSum += error;
                    scaleSum += scale;
                    Append(line, Printf("%c:%2.2f ", "YUV"[j], PsnrOf(error / scale)));
                }
                Append(line, Printf("*:%2.2f ", PsnrOf(errorSum / scaleSum)));
            }
            videoSeen = true;
        }
        const double streamTime = ost->CurrentTs * av_q2d(ost->Stream->time_base);
        if (streamTime > 0 && streamTime < outputTime) outputTime = streamTime;
    }
    if (outputTime < 0.01) outputTime = 0.01;

    if (ProgressHandler || Verbosity > 0 || LastReport) {
        const double bitrate = size * 8 / outputTime / 1000;
        Append(line, Printf("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", size / 1024.0, outputTime, bitrate));
        if (Verbosity > 1) Append(line, Printf(" dup=%d drop=%d", DupCount, DropCount));
        if (ProgressHandler) {
            CheckPaused();
            ProgressHandler(*this, frameNumber, fps, static_cast<int>(outputTime * 1000), quality,
                            static_cast<float>(bitrate), size, TotalDuration);
        } else if (Verbosity >= 0) {
            Log(1, line);
        }
    }
    if (LastReport && Verbosity >= 0 && LogHandler) {
        const double raw = static_cast<double>(AudioBytes + VideoBytes + HeaderBytes);
        Log(1, Printf("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %.2f%%\r\n",
                      VideoBytes / 1024.0, AudioBytes / 1024.0, HeaderBytes / 1024.0, 100.0 * (size - raw) / raw));
    }
}

void TCustomFFmpeg::WriteVideoStats(OutputStreamState& ost, int FrameSize) {
    if (!VstatsFile) {
        VstatsFile.reset(std::fopen(VstatsFileName.CStr(), "w"));
        if (!VstatsFile) throw FFMpegException("fopen fail: " + VstatsFileName.Str());
    }
    const AVCodecContext& enc = *ost.Codec;
    if (enc.codec_type != AVMEDIA_TYPE_VIDEO) return;
    std::FILE* f = VstatsFile.get();
    std::fprintf(f, "frame= %5d q= %2.1f ", ost.FrameNumber, ost.CodedQuality / static_cast<double>(FF_QP2LAMBDA));
    if (enc.flags & AV_CODEC_FLAG_PSNR)
        std::fprintf(f, "PSNR= %6.2f ", PsnrOf(ost.CodedError[0] / (enc.width * enc.height * 255.0 * 255.0)));
    std::fprintf(f, "f_size= %6d ", FrameSize);
    double time = ost.SyncOpts * av_q2d(enc.time_base);
    if (time < 0.01) time = 0.01;
    const double bitrate = FrameSize * 8 / av_q2d(enc.time_base) / 1000.0;
    const double average = VideoBytes * 8 / time / 1000.0;
    std::fprintf(f, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ", VideoBytes / 1024.0, time,
                 bitrate, average);
    std::fprintf(f, "type= %c\n", av_get_picture_type_char(static_cast<AVPictureType>(ost.CodedPictType)));
}

}  // namespace vidmorph
