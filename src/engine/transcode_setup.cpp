// The first phase of a run: the run's tables, the source of every output
// stream, copy or encoding parameters, two-pass files, codecs opened and
// headers written.
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include "conversions.h"
#include "engine.h"
#include "text_format.h"

namespace vidmorph {

namespace {


AVMediaType KindOf(const AVStream* st) { return st->codecpar->codec_type; }

bool IsAttachedPicture(const AVStream* st) { return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0; }

}  // namespace

void TCustomFFmpeg::ReleaseStreamTables() {
    BitBuffer.reset();
    InputFileTable.clear();
    InputStreamTable.clear();
    OutputStreamTable.clear();  // closes pass logs, frees fifos, pictures, scalers, resamplers
}

int TCustomFFmpeg::FindProgramStream(AVMediaType Kind) const {
    for (int f = 0; f < InputFileCount; ++f) {
        const AVFormatContext* in = InputFiles[f].get();
        for (unsigned p = 0; p < in->nb_programs; ++p) {
            const AVProgram* program = in->programs[p];
            if (program->id != ProgramID) continue;
            for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
                const int index = InputFileTable[f].FirstStream + static_cast<int>(program->stream_index[k]);
                const InputStreamState& ist = *InputStreamTable[index];
                if (ist.Discard && KindOf(ist.Stream) == Kind) return index;
            }
        }
    }
    return -1;
}

void TCustomFFmpeg::SetupStreamCopy(OutputStreamState& ost, InputStreamState& ist) {
    const AVCodecParameters& in = *ist.Stream->codecpar;
    AVCodecParameters& out = *ost.Stream->codecpar;
    const AVOutputFormat* format = OutputFiles[ost.FileIndex]->oformat;
    const unsigned userTag = ost.Codec->codec_tag;

    if (in.codec_type == AVMEDIA_TYPE_AUDIO && AudioVolume != 256)
        throw FFMpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    if (in.codec_type == AVMEDIA_TYPE_VIDEO) {
        if (CustomHookHandler)
            throw FFMpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
        if (UsingVhook) throw FFMpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
    }
    if (in.codec_type != AVMEDIA_TYPE_AUDIO && in.codec_type != AVMEDIA_TYPE_VIDEO &&
        in.codec_type != AVMEDIA_TYPE_SUBTITLE)
        throw FFMpegException("invalid codec_type of output stream");

    // Codec id, kind, bit rate, global header, sizes and rates of the input.
    if (avcodec_parameters_copy(&out, &in) < 0) throw FFMpegException("av_malloc fail");
    out.codec_tag = userTag;
    if (!userTag) {
        const AVCodecTag* const* table = format->codec_tag;
        if (!table || av_codec_get_id(table, in.codec_tag) != AV_CODEC_ID_NONE ||
            av_codec_get_tag(table, in.codec_id) == 0)
            out.codec_tag = in.codec_tag;
        else
            out.codec_tag = 0;
    }
    const AVRational decoderBase = ist.Codec ? ist.Codec->time_base : AVRational{0, 1};
    ost.Stream->time_base = av_q2d(decoderBase) > av_q2d(ist.Stream->time_base) && av_q2d(ist.Stream->time_base) < 0.001
                                ? decoderBase
                                : ist.Stream->time_base;
    if (in.codec_type == AVMEDIA_TYPE_AUDIO) {
        if ((out.block_align == 1 && out.codec_id == AV_CODEC_ID_MP3) || out.codec_id == AV_CODEC_ID_AC3)
            out.block_align = 0;
    }
    // The stream's codec context mirrors what the muxer gets.
    avcodec_parameters_to_context(ost.Codec, &out);
    ost.Codec->time_base = ost.Stream->time_base;
}

void TCustomFFmpeg::SetupEncoding(OutputStreamState& ost, InputStreamState& ist) {
    AVCodecContext& out = *ost.Codec;
    const AVCodecContext& in = *ist.Codec;
    switch (out.codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            ost.SampleFifo.reset(av_fifo_alloc2(1024, 1, AV_FIFO_FLAG_AUTO_GROW));
            if (!ost.SampleFifo) throw FFMpegException("av_fifo_init fail");
            av_fifo_auto_grow_limit(ost.SampleFifo.get(), SIZE_MAX);  // any block size
            ost.AudioResample = out.sample_rate != in.sample_rate || AudioSyncMethod > 1;
            // Decoders that can mix down (AC-3, DTS, ...) are asked for the output's channels.
            if (in.ch_layout.nb_channels != out.ch_layout.nb_channels)
                av_opt_set_chlayout(ist.Codec, "downmix", &out.ch_layout, AV_OPT_SEARCH_CHILDREN);
            break;
        case AVMEDIA_TYPE_VIDEO: {
            ost.SourceWidth = in.width;
            ost.SourceHeight = in.height;
            ost.SourceFormat = in.pix_fmt;
            ost.VideoCrop = CropLeft + CropRight + CropTop + CropBottom != 0;
            ost.VideoPad = PadLeft + PadRight + PadTop + PadBottom != 0;
            ost.VideoResample = out.width != in.width - (CropLeft + CropRight) + (PadLeft + PadRight) ||
                                out.height != in.height - (CropTop + CropBottom) + (PadTop + PadBottom) ||
                                out.pix_fmt != in.pix_fmt;
            if (ost.VideoCrop) {
                ost.CropTopRows = CropTop;
                ost.CropLeftColumns = CropLeft;
            }
            const auto allocatePicture = [&](const char* failure) {
                ost.TempPicture.reset(av_frame_alloc());
                if (!ost.TempPicture) throw FFMpegException(failure);
                ost.TempPicture->format = out.pix_fmt;
                ost.TempPicture->width = out.width;
                ost.TempPicture->height = out.height;
                if (av_frame_get_buffer(ost.TempPicture.get(), 0) < 0) throw FFMpegException(failure);
            };
            if (ost.VideoPad) {
                ost.PadTopRows = PadTop;
                ost.PadBottomRows = PadBottom;
                ost.PadLeftColumns = PadLeft;
                ost.PadRightColumns = PadRight;
                if (!ost.VideoResample) allocatePicture("avpicture_alloc fail");
            }
            if (ost.VideoResample) {
                allocatePicture("Cannot allocate temp picture, check pix fmt");
                int64_t flags = SwsFlags;
                if (ScalerDefaults) av_opt_get_int(ScalerDefaults.get(), "sws_flags", 0, &flags);
                SwsFlags = static_cast<int>(flags);
                ost.Scaler.reset(sws_getContext(in.width - CropLeft - CropRight, in.height - CropTop - CropBottom,
                                                in.pix_fmt, out.width - PadLeft - PadRight,
                                                out.height - PadTop - PadBottom, out.pix_fmt, SwsFlags, nullptr,
                                                nullptr, nullptr));
                if (!ost.Scaler) throw FFMpegException("Cannot get resampling context");
                ost.ScaleHeight = in.height - CropTop - CropBottom;
            }
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE:
            if (out.time_base.num <= 0 || out.time_base.den <= 0) out.time_base = ist.Stream->time_base;
            break;
        default:
            throw FFMpegException("invalid codec_type of output stream");
    }
    // The muxer's stream describes the stream before its encoder opens.
    avcodec_parameters_from_context(ost.Stream->codecpar, &out);
    ost.EncodingNeeded = true;
    ist.DecodingNeeded = true;
}

void TCustomFFmpeg::OpenPassLog(OutputStreamState& ost, int index) {
    AVCodecContext& c = *ost.Codec;
    std::string name = (PassLogFileName.empty() ? std::string("ffmpeg2pass") : PassLogFileName) + "-" +
                       std::to_string(index) + ".log";
    if (name.size() > 1023) name.resize(1023);
    if (c.flags & AV_CODEC_FLAG_PASS1) {
        ost.PassLogFile.reset(std::fopen(name.c_str(), "w"));
        if (!ost.PassLogFile) throw FFMpegException("creat file fail: " + name);
        return;
    }
    CFilePtr file(std::fopen(name.c_str(), "r"));
    if (!file) throw FFMpegException("creat open fail: " + name);
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    char* text = size >= 0 ? static_cast<char*>(av_malloc(static_cast<std::size_t>(size) + 1)) : nullptr;
    if (!text) throw FFMpegException("Could not allocate log buffer");
    const std::size_t read = std::fread(text, 1, static_cast<std::size_t>(size), file.get());
    text[read] = 0;
    av_freep(&c.stats_in);
    c.stats_in = text;
}

void TCustomFFmpeg::OpenDecoder(InputStreamState& ist) {
    const AVCodec* decoder = avcodec_find_decoder(ist.Codec->codec_id);
    if (!decoder)
        throw FFMpegException(Printf("Unsupported codec (id=%d) for input stream #%d.%d",
                                     static_cast<int>(ist.Codec->codec_id), ist.FileIndex, ist.StreamIndex));
    std::lock_guard lock(CodecLock());
    if (avcodec_open2(ist.Codec, decoder, nullptr) < 0)
        throw FFMpegException(
            Printf("Error while opening codec for input stream #%d.%d", ist.FileIndex, ist.StreamIndex));
    OpenDecoders.push_front(&InputCodecs[ist.FileIndex][ist.StreamIndex].Codec);
}

void TCustomFFmpeg::OpenCodecs() {
    for (const auto& ost : OutputStreamTable) {
        if (!ost->EncodingNeeded) continue;
        if (ost->Codec->codec_type == AVMEDIA_TYPE_SUBTITLE && !ost->Codec->subtitle_header) {
            // A text subtitle encoder takes its style header from the decoder,
            // which sets it when it opens.
            InputStreamState& ist = *InputStreamTable[ost->SourceIndex];
            if (!avcodec_is_open(ist.Codec)) OpenDecoder(ist);
            if (ist.Codec->subtitle_header) {
                ost->Codec->subtitle_header =
                    static_cast<uint8_t*>(av_mallocz(std::size_t(ist.Codec->subtitle_header_size) + 1));
                if (!ost->Codec->subtitle_header) throw FFMpegException("av_malloc fail");
                std::memcpy(ost->Codec->subtitle_header, ist.Codec->subtitle_header,
                            std::size_t(ist.Codec->subtitle_header_size));
                ost->Codec->subtitle_header_size = ist.Codec->subtitle_header_size;
            }
        }
        const AVCodec* encoder = ost->Setup->Encoder ? ost->Setup->Encoder : avcodec_find_encoder(ost->Codec->codec_id);
        if (!encoder)
            throw FFMpegException(Printf("Unsupported codec for output stream #%d.%d", ost->FileIndex, ost->StreamIndex));
        {
            AVDictionary* options = PrivateOptionsFor(encoder->priv_class);
            std::lock_guard lock(CodecLock());
            const int opened = avcodec_open2(ost->Codec, encoder, &options);
            av_dict_free(&options);
            if (opened < 0)
                throw FFMpegException(Printf("Error while opening codec for output stream #%d.%d - maybe incorrect "
                                             "parameters such as bit_rate, rate, width or height",
                                             ost->FileIndex, ost->StreamIndex));
            OpenEncoders.push_front(&ost->Setup->Codec);
        }
        HeaderBytes += ost->Codec->extradata_size;
        // The muxer's stream takes the parameters the open encoder settled on.
        if (avcodec_parameters_from_context(ost->Stream->codecpar, ost->Codec) < 0)
            throw FFMpegException("av_malloc fail");
        ost->Stream->time_base = ost->Codec->time_base;
        if (ost->Codec->codec_type == AVMEDIA_TYPE_VIDEO) ost->Stream->avg_frame_rate = av_inv_q(ost->Codec->time_base);
    }
    for (const auto& ist : InputStreamTable)
        if (ist->DecodingNeeded && !avcodec_is_open(ist->Codec)) OpenDecoder(*ist);
}

void TCustomFFmpeg::TranscodeSetup() {
    try {
        ReleaseStreamTables();
        // 1-2: input tables.
        for (int f = 0; f < InputFileCount; ++f) {
            const int first = f == 0 ? 0 : InputFileTable[f - 1].FirstStream + InputFileTable[f - 1].StreamCount;
            InputFileTable.push_back({false, first, static_cast<int>(InputFiles[f]->nb_streams)});
            for (unsigned s = 0; s < InputFiles[f]->nb_streams; ++s) {
                auto ist = std::make_unique<InputStreamState>();
                ist->FileIndex = f;
                ist->StreamIndex = static_cast<int>(s);
                ist->Stream = InputFiles[f]->streams[s];
                ist->Codec = InputCodecs[f][s].Codec.get();
                if (InputCodecs[f][s].RateEmulation) ist->ReadStart = av_gettime();
                InputStreamTable.push_back(std::move(ist));
            }
        }

        // 3-5: output count and stream maps.
        int outputStreams = 0;
        for (int f = 0; f < OutputFileCount; ++f) {
            if (OutputFiles[f]->nb_streams == 0) throw FFMpegException("Output file does not contain any stream");
            outputStreams += static_cast<int>(OutputFiles[f]->nb_streams);
        }
        if (StreamMapCount > 0 && StreamMapCount != outputStreams)
            throw FFMpegException("Number of stream maps must match number of output streams");
        const auto exists = [&](int file, int stream) {
            return file >= 0 && file < InputFileCount && stream >= 0 && stream < InputFileTable[file].StreamCount;
        };
        for (int m = 0; m < StreamMapCount; ++m) {
            const TStreamMap& map = StreamMaps[m];
            if (!exists(map.FileIndex, map.StreamIndex))
                throw FFMpegException(Printf("Could not find input stream #%d.%d", map.FileIndex, map.StreamIndex));
            if (!exists(map.SyncFileIndex, map.SyncStreamIndex))
                throw FFMpegException(
                    Printf("Could not find sync stream #%d.%d", map.SyncFileIndex, map.SyncStreamIndex));
        }

        // 6: output table.
        for (int f = 0; f < OutputFileCount; ++f) {
            for (unsigned s = 0; s < OutputFiles[f]->nb_streams; ++s) {
                auto ost = std::make_unique<OutputStreamState>();
                ost->FileIndex = f;
                ost->StreamIndex = static_cast<int>(s);
                ost->Stream = OutputFiles[f]->streams[s];
                ost->Setup = &OutputCodecs[f][s];
                ost->Codec = ost->Setup->Codec.get();
                OutputStreamTable.push_back(std::move(ost));
            }
        }

        // 7: the source of every output stream.
        for (int n = 0; n < outputStreams; ++n) {
            OutputStreamState& ost = *OutputStreamTable[n];
            const AVMediaType kind = ost.Codec->codec_type;
            const auto describeOutput = [&] {
                av_dump_format(OutputFiles[ost.FileIndex].get(), ost.FileIndex, OutputFiles[ost.FileIndex]->url, 1);
            };
            int source = -1;
            if (StreamMapCount > 0) {
                const TStreamMap& map = StreamMaps[n];
                source = InputFileTable[map.FileIndex].FirstStream + map.StreamIndex;
                if (KindOf(InputStreamTable[source]->Stream) != kind) {
                    describeOutput();
                    throw FFMpegException(Printf("Codec type mismatch for mapping #%d.%d -> #%d.%d", map.FileIndex,
                                                 map.StreamIndex, ost.FileIndex, ost.StreamIndex));
                }
            } else if (ProgramID != 0) {
                source = FindProgramStream(kind);
            } else {
                for (int i = 0; i < static_cast<int>(InputStreamTable.size()) && source < 0; ++i) {
                    const InputStreamState& ist = *InputStreamTable[i];
                    if (ist.Discard && KindOf(ist.Stream) == kind && !IsAttachedPicture(ist.Stream)) source = i;
                }
                // None left: share the last stream of the kind.
                for (int j = static_cast<int>(InputStreamTable.size()) - 1; j >= 0 && source < 0; --j) {
                    const InputStreamState& ist = *InputStreamTable[j];
                    if (KindOf(ist.Stream) == kind && !IsAttachedPicture(ist.Stream)) source = j;
                }
            }
            if (source < 0) {
                describeOutput();
                throw FFMpegException(Printf("Could not find input stream matching output stream #%d.%d",
                                             ost.FileIndex, ost.StreamIndex));
            }
            ost.SourceIndex = source;
            InputStreamTable[source]->Discard = false;
            if (StreamMapCount > 0) {
                const TStreamMap& map = StreamMaps[n];
                ost.SyncInput = InputStreamTable[InputFileTable[map.SyncFileIndex].FirstStream + map.SyncStreamIndex].get();
            } else {
                ost.SyncInput = InputStreamTable[source].get();
            }
        }

        // 8: codec parameters.
        for (int n = 0; n < outputStreams; ++n) {
            OutputStreamState& ost = *OutputStreamTable[n];
            InputStreamState& ist = *InputStreamTable[ost.SourceIndex];
            if (!av_dict_get(ost.Stream->metadata, "language", nullptr, 0)) {
                if (const AVDictionaryEntry* lang = av_dict_get(ist.Stream->metadata, "language", nullptr, 0))
                    av_dict_set(&ost.Stream->metadata, "language", lang->value, 0);
            }
            ost.Stream->disposition = ist.Stream->disposition & ~AV_DISPOSITION_ATTACHED_PIC;
            if (ost.Setup->StreamCopy)
                SetupStreamCopy(ost, ist);
            else
                SetupEncoding(ost, ist);
            if (ost.EncodingNeeded && (ost.Codec->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
                OpenPassLog(ost, n);
            if (ost.Codec->codec_type == AVMEDIA_TYPE_VIDEO) {
                const int64_t needed = int64_t(4) * ost.Codec->width * ost.Codec->height;
                if (needed > BitBufferSize) BitBufferSize = needed > INT_MAX ? INT_MAX : static_cast<int>(needed);
            }
        }

        // 9-11: output buffer, descriptions, stream mapping.
        if (!BitBuffer) {
            BitBuffer.reset(static_cast<uint8_t*>(av_malloc(static_cast<std::size_t>(BitBufferSize))));
            if (!BitBuffer) throw FFMpegException("av_malloc fail");
        }
        for (int f = 0; f < OutputFileCount; ++f) av_dump_format(OutputFiles[f].get(), f, OutputFiles[f]->url, 1);
        if (Verbosity >= 0 && LogHandler) {
            Log(1, "Stream mapping:");
            for (const auto& ost : OutputStreamTable) {
                const InputStreamState& ist = *InputStreamTable[ost->SourceIndex];
                Log(1, Printf("  Stream #%d.%d -> #%d.%d", ist.FileIndex, ist.StreamIndex, ost->FileIndex,
                              ost->StreamIndex));
                if (ost->SyncInput != &ist)
                    Log(1, Printf(" [sync #%d.%d]", ost->SyncInput->FileIndex, ost->SyncInput->StreamIndex));
            }
        }

        // 12-14: codecs.
        OpenCodecs();
        for (const auto& ist : InputStreamTable) {
            ist->Pts = 0;
            ist->NextPts = AV_NOPTS_VALUE;
            ist->IsStart = true;
        }

        // 15: metadata maps.
        for (int m = 0; m < MetadataMapCount; ++m) {
            const TMetadataMap& map = MetadataMaps[m];
            if (map.OutputFileIndex < 0 || map.OutputFileIndex >= OutputFileCount)
                throw FFMpegException(Printf("Invalid output file index %d map_meta_data(%d,%d)", map.OutputFileIndex,
                                             map.OutputFileIndex, map.InputFileIndex));
            if (map.InputFileIndex < 0 || map.InputFileIndex >= InputFileCount)
                throw FFMpegException(Printf("Invalid input file index %d map_meta_data(%d,%d)", map.InputFileIndex,
                                             map.OutputFileIndex, map.InputFileIndex));
            const AVDictionary* from = InputFiles[map.InputFileIndex]->metadata;
            AVDictionary** to = &OutputFiles[map.OutputFileIndex]->metadata;
            for (const char* key :
                 {"title", "artist", "author", "copyright", "comment", "album", "date", "year", "track", "genre"}) {
                if (const AVDictionaryEntry* entry = av_dict_get(from, key, nullptr, 0))
                    av_dict_set(to, key, entry->value, 0);
            }
        }

        // 16: headers.
        for (int f = 0; f < OutputFileCount; ++f) {
            AVDictionary* options = PrivateOptionsFor(OutputFiles[f]->oformat->priv_class);
            const int written = avformat_write_header(OutputFiles[f].get(), &options);
            av_dict_free(&options);
            if (written < 0)
                throw FFMpegException(Printf("Could not write header for output file #%d (incorrect codec parameters ?)", f));
        }

        // 17: session description for RTP outputs.
        bool allRtp = OutputFileCount > 0;
        for (int f = 0; f < OutputFileCount; ++f) allRtp = allRtp && std::string(OutputFiles[f]->oformat->name) == "rtp";
        if (allRtp && LogHandler) {
            std::vector<AVFormatContext*> files;
            for (int f = 0; f < OutputFileCount; ++f) files.push_back(OutputFiles[f].get());
            char sdp[2048] = {};
            av_sdp_create(files.data(), OutputFileCount, sdp, sizeof sdp);
            Log(1, "SDP: " + Trim(sdp));
        }

        // 18: the clock of the packet loop.
        StartClock = av_gettime();
        LastReportTime = StartClock;
    } catch (...) {
        ReleaseStreamTables();
        throw;
    }
}

}  // namespace vidmorph
