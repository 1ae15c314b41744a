// The video output path: frame-rate sync (drop or duplicate), crop, scale,
// pad, encode.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "engine.h"

namespace vidmorph {

namespace {

// Plane pointers of `frame` moved `top` rows down and `left` columns right
// (8-bit planar formats; chroma planes by their subsampling).
bool OffsetPlanes(const AVFrame& frame, int top, int left, uint8_t* data[4], int linesize[4]) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL)))
        return false;
    for (int i = 0; i < 4; ++i) {
        data[i] = frame.data[i];
        linesize[i] = frame.linesize[i];
        if (!data[i]) continue;
        const bool chroma = (i == 1 || i == 2) && (desc->flags & AV_PIX_FMT_FLAG_PLANAR);
        const int shiftW = chroma ? desc->log2_chroma_w : 0, shiftH = chroma ? desc->log2_chroma_h : 0;
        const int step = (desc->flags & AV_PIX_FMT_FLAG_PLANAR) ? (desc->comp[0].depth + 7) / 8 : desc->comp[0].step;
        data[i] += (top >> shiftH) * linesize[i] + (left >> shiftW) * step;
    }
    return true;
}

// Paints the pad bands of `dst` (8-bit planar YUV) in `color` and, given a
// source, copies it into the inner area. False for formats it cannot paint.
bool PadPicture(AVFrame& dst, const AVFrame* src, int top, int bottom, int left, int right, const int color[3]) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(dst.format));
    if (!desc || !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) || (desc->flags & AV_PIX_FMT_FLAG_RGB) ||
        desc->comp[0].depth != 8)
        return false;
    for (int plane = 0; plane < 4 && dst.data[plane]; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int sw = chroma ? desc->log2_chroma_w : 0, sh = chroma ? desc->log2_chroma_h : 0;
        const int width = AV_CEIL_RSHIFT(dst.width, sw), height = AV_CEIL_RSHIFT(dst.height, sh);
        const int t = top >> sh, b = bottom >> sh, l = left >> sw, r = right >> sw;
        const uint8_t value = static_cast<uint8_t>(plane < 3 ? color[plane] : 255);
        for (int y = 0; y < height; ++y) {
            uint8_t* row = dst.data[plane] + y * dst.linesize[plane];
            if (y < t || y >= height - b) {
                std::memset(row, value, static_cast<std::size_t>(width));
                continue;
            }
            std::memset(row, value, static_cast<std::size_t>(l));
            std::memset(row + width - r, value, static_cast<std::size_t>(r));
            if (src && src->data[plane])
                std::memcpy(row + l, src->data[plane] + (y - t) * src->linesize[plane],
                            static_cast<std::size_t>(width - l - r));
        }
    }
    return true;
}

}  // namespace

bool TCustomFFmpeg::AdaptVideoPath(OutputStreamState& ost, const AVFrame& picture) {
    if (picture.width == ost.SourceWidth && picture.height == ost.SourceHeight && picture.format == ost.SourceFormat)
        return true;
    // The stream changed size or pixel format: scale what now arrives into
    // the encoder's picture (the crop and pad bands stay as they were).
    const AVCodecContext& enc = *ost.Codec;
    const int width = picture.width - CropLeft - CropRight, height = picture.height - CropTop - CropBottom;
    if (width <= 0 || height <= 0) {
        Log(0, "error cropping picture");
        return false;
    }
    if (!ost.TempPicture) {
        ost.TempPicture.reset(av_frame_alloc());
        if (!ost.TempPicture) throw std::bad_alloc();
        ost.TempPicture->format = enc.pix_fmt;
        ost.TempPicture->width = enc.width;
        ost.TempPicture->height = enc.height;
        if (av_frame_get_buffer(ost.TempPicture.get(), 0) < 0) throw FFMpegException("Cannot allocate temp picture, check pix fmt");
    }
    SwsContext* scaler = sws_getCachedContext(ost.Scaler.release(), width, height, static_cast<AVPixelFormat>(picture.format),
                                              enc.width - PadLeft - PadRight, enc.height - PadTop - PadBottom,
                                              enc.pix_fmt, SwsFlags, nullptr, nullptr, nullptr);
    ost.Scaler.reset(scaler);
    if (!scaler) throw FFMpegException("Cannot get resampling context");
    ost.VideoResample = true;
    ost.ScaleHeight = height;
    ost.SourceWidth = picture.width;
    ost.SourceHeight = picture.height;
    ost.SourceFormat = picture.format;
    return true;
}

void TCustomFFmpeg::VideoOut(OutputStreamState& ost, InputStreamState& ist, AVFrame& picture, int& FrameSize) {
    AVCodecContext& enc = *ost.Codec;
    FrameSize = 0;
    int count = 1;

    // Video sync: keep the output frame count with the input timestamps.
    const double syncTime = (ost.SyncInput->Pts - StartTime) / 1000000.0;
    const double timeBase = av_q2d(enc.time_base);
    if (VideoSyncMethod > 0 || (VideoSyncMethod != 0 && timeBase > 0.001)) {
        const double delta = syncTime / timeBase - ost.SyncOpts;
        if (delta < -1.1)
            count = 0;
        else if (VideoSyncMethod == 2)
            ost.SyncOpts = std::llrint(syncTime / timeBase);
        else if (delta > 1.1)
            count = static_cast<int>(std::min<double>(std::nearbyint(delta), INT_MAX));
        if (count == 0) {
            ++DropCount;
            if (Verbosity > 2) Log(1, "*** drop!");
        } else if (count > 1) {
            DupCount += count;
            if (Verbosity > 2) Log(1, "*** " + std::to_string(count - 1) + " dup!");
        }
    } else {
        ost.SyncOpts = std::llrint(syncTime / timeBase);
    }
    count = std::min(count, MaxFrames[fkVideo] - ost.FrameNumber);
    if (count <= 0) return;
    if (!AdaptVideoPath(ost, picture)) return;

    // Crop: a view into the decoded picture.
    const AVFrame* formatted = &picture;
    if (ost.VideoCrop) {
        if (!ost.CropView) ost.CropView.reset(av_frame_alloc());
        AVFrame* cropView = ost.CropView.get();
        if (!cropView) throw std::bad_alloc();
        av_frame_unref(cropView);
        if (av_frame_ref(cropView, &picture) < 0) throw std::bad_alloc();
        cropView->crop_top = static_cast<size_t>(ost.CropTopRows);
        cropView->crop_left = static_cast<size_t>(ost.CropLeftColumns);
        cropView->crop_bottom = static_cast<size_t>(std::max(0, CropBottom));
        cropView->crop_right = static_cast<size_t>(std::max(0, CropRight));
        if (av_frame_apply_cropping(cropView, AV_FRAME_CROP_UNALIGNED) < 0) {
            Log(0, "error cropping picture");
            return;
        }
        formatted = cropView;
    }

    // Scale and pad into the run's picture.
    const AVFrame* final = formatted;
    if (ost.VideoResample || ost.VideoPad) {
        AVFrame& temp = *ost.TempPicture;
        if (!av_frame_is_writable(&temp)) {
            // The encoder still holds the last picture: take a fresh buffer
            // (everything in it is painted anew below, so nothing is copied).
            const int format = temp.format, width = temp.width, height = temp.height;
            av_frame_unref(&temp);
            temp.format = format;
            temp.width = width;
            temp.height = height;
            if (av_frame_get_buffer(&temp, 0) < 0) throw std::bad_alloc();
        }
        if (ost.VideoResample) {
            uint8_t* target[4];
            int targetLines[4];
            if (!OffsetPlanes(temp, ost.VideoPad ? ost.PadTopRows : 0, ost.VideoPad ? ost.PadLeftColumns : 0, target,
                              targetLines)) {
                Log(0, "error padding picture");
                return;
            }
            sws_scale(ost.Scaler.get(), formatted->data, formatted->linesize, 0, ost.ScaleHeight, target, targetLines);
        }
        if (ost.VideoPad)
            PadPicture(temp, ost.VideoResample ? nullptr : formatted, ost.PadTopRows, ost.PadBottomRows,
                       ost.PadLeftColumns, ost.PadRightColumns, PadColor.data());
        final = &temp;
    }

    // Encode the frame `count` times.
    if (!ost.EncodeFrame) ost.EncodeFrame.reset(av_frame_alloc());
    if (!ost.EncodeFrame) throw std::bad_alloc();
    const AVCodecContext& defaults = *CodecDefaults[AVMEDIA_TYPE_VIDEO];
    for (int i = 0; i < count && !StopRequested; ++i) {
        if (ost.SyncOpts <= ost.LastPts) {
            // Timestamps taken from the input (sync methods 0 and 2) may repeat:
            // an encoder takes only increasing ones, so the picture goes.
            ++DropCount;
            break;
        }
        AVFrame& frame = *ost.EncodeFrame;
        if (av_frame_ref(&frame, final) < 0) throw std::bad_alloc();
        frame.interlaced_frame = picture.interlaced_frame;
        if (defaults.flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
            frame.top_field_first = TopFieldFirst != -1 ? TopFieldFirst : picture.top_field_first;
        frame.quality = static_cast<int>(std::lrint(SameQuality ? ist.Quality : ost.Setup->Quality));
        if (MeThreshold == 0) frame.pict_type = AV_PICTURE_TYPE_NONE;
        frame.pts = ost.SyncOpts;
        frame.sample_aspect_ratio = enc.sample_aspect_ratio;
        try {
            const int written = EncodeAndWrite(ost, &frame, VideoBytes);
            if (written > 0) FrameSize = written;
        } catch (...) {
            av_frame_unref(&frame);
            throw;
        }
        av_frame_unref(&frame);
        ost.LastPts = ost.SyncOpts;
        ++ost.SyncOpts;
        ++ost.FrameNumber;
    }
}

}  // namespace vidmorph
