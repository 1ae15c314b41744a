// Per-run records of the pipeline: one per input file, one per input stream
// and one per output stream. Created when a run sets up its streams and
// released when it ends; the codec contexts they own are opened and closed
// under CodecLock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "av_holders.h"

extern "C" {
#include <libavutil/fifo.h>
#include <libswresample/swresample.h>
}

namespace vidmorph {

struct SwrDeleter {
    void operator()(SwrContext* s) const noexcept { swr_free(&s); }
};
struct ByteFifoDeleter {
    void operator()(AVFifo* f) const noexcept { av_fifo_freep2(&f); }
};
struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using ResamplerPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using ByteFifoPtr = std::unique_ptr<AVFifo, ByteFifoDeleter>;
using CFilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Decoder side of one input stream, made when its file is opened and opened
// by a run that decodes the stream.
struct TInputCodec {
    CodecContextPtr Codec;
    bool RateEmulation = false;
};

// Encoder side of one output stream, made when the stream is created and
// opened by the run.
struct TOutputCodec {
    CodecContextPtr Codec;
    const AVCodec* Encoder = nullptr;  // the encoder named or guessed; none for a copy
    bool StreamCopy = false;
    float Quality = 0.0f;  // lambda of a fixed quantiser, 0 = none
};

struct InputFileState {
    bool EofReached = false;
    int FirstStream = 0;
    int StreamCount = 0;
};

struct InputStreamState {
    int FileIndex = 0;
    int StreamIndex = 0;
    AVStream* Stream = nullptr;        // owned by the demuxer
    AVCodecContext* Codec = nullptr;  // the stream's decoder context, owned by the engine
    bool Discard = true;
    bool DecodingNeeded = false;
    int64_t ReadStart = 0;
    int FrameCount = 0;
    int64_t NextPts = 0;
    int64_t Pts = 0;
    bool IsStart = true;
    float Quality = 0.0f;  // quality of the last decoded picture
    FramePtr Decoded;      // reused for every decoded frame
    ResamplerPtr ToS16;    // decoded audio -> 16-bit interleaved, same rate and channels
    int ToS16Format = -1, ToS16Rate = 0, ToS16Channels = 0;
    int BlockRate = 0, BlockChannels = 0;  // of the last decoded audio block
};

struct OutputStreamState {
    int FileIndex = 0;
    int StreamIndex = 0;
    int SourceIndex = 0;
    AVStream* Stream = nullptr;        // owned by the muxer
    AVCodecContext* Codec = nullptr;  // the stream's encoder context, owned by the engine
    TOutputCodec* Setup = nullptr;  // owned by the engine
    bool EncodingNeeded = false;
    int FrameNumber = 0;
    InputStreamState* SyncInput = nullptr;
    int64_t SyncOpts = 0;
    bool VideoResample = false;
    FramePtr TempPicture;
    ScalerPtr Scaler;
    int ScaleHeight = 0;
    // The decoded picture the video path was built for; a picture of another
    // size or format makes it rebuild the scaler.
    int SourceWidth = 0, SourceHeight = 0, SourceFormat = -1;
    int64_t LastPts = INT64_MIN;  // the last timestamp handed to the encoder
    bool VideoCrop = false;
    int CropTopRows = 0, CropLeftColumns = 0;
    bool VideoPad = false;
    int PadTopRows = 0, PadBottomRows = 0, PadLeftColumns = 0, PadRightColumns = 0;
    bool AudioResample = false;
    ResamplerPtr Resampler;
    int ResamplerInRate = 0, ResamplerInChannels = 0;  // what the resampler was made for
    ByteFifoPtr SampleFifo;  // 16-bit interleaved samples, in bytes
    CFilePtr PassLogFile;
    ResamplerPtr FromS16;    // 16-bit interleaved -> the encoder's sample format
    FramePtr EncodeFrame;    // reused frame handed to the encoder
    FramePtr CropView;       // reused view into a cropped picture
    int64_t CurrentTs = 0;   // end of the last packet written, in the stream's time base
    // Figures of the last coded frame (from the packet's quality side data).
    int CodedQuality = 0;
    int CodedPictType = 0;
    uint64_t CodedError[4] = {0, 0, 0, 0};
};

}  // namespace vidmorph
