// The transcoding engine object: its settings (settings.h), option keywords,
// run-time state, handlers and run lifecycle.
//
// Calling order for one task: construction, Prepare, options, input opening,
// output creation, handlers, Start (and Resume of the returned thread for a
// threaded start). Stop, Pause and Resume may come from any thread at any time;
// destruction too (it stops the run and waits until the worker has left the
// engine, unless it runs on that worker itself, e.g. from TerminateHandler).
// Options are applied on the configuring thread before the start; the settings
// are not locked.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "exceptions.h"
#include "settings.h"
#include "stream_state.h"
#include "worker_thread.h"

namespace vidmorph {

class TCustomFFmpeg;
class TFFmpegThread;

// Handlers (the engine's method pointers). Each runs on the thread that
// raises it: the worker for a threaded run.
using TLogHandler = std::function<void(TCustomFFmpeg& Sender, int Level, const std::string& Text)>;
using TProgressHandler =
    std::function<void(TCustomFFmpeg& Sender, int FrameNumber, int FPS, int CurrentDuration, float Quality,
                       float BitRate, int64_t CurrentSize, int TotalDuration)>;
using TTerminateHandler = std::function<void(TCustomFFmpeg& Sender)>;

// Frame hooks: what to do with the picture at a timestamp, and the custom
// hook that may draw on a 24-bit BGR bitmap of it.
enum THookAction { haContinue, haIgnore, haStop };
class TBitmap;
// A time range (microseconds) in which the frame hooks run.
struct THookRange {
    int64_t Start = 0;
    int64_t End = 0;
    bool operator==(const THookRange&) const = default;
};
using TBeforeHookHandler = std::function<void(TCustomFFmpeg& Sender, int64_t PTS, THookAction& AHookAction)>;
using TCustomHookHandler = std::function<void(TCustomFFmpeg& Sender, TBitmap& ABitmap, int AFrameNumber, int64_t APTS,
                                              bool& AUpdate, bool& AStopHook)>;

// Held around every codec open and close and around the stream probe of input
// opening; one for the whole process.
std::mutex& CodecLock();
// The quantiser histogram, shared by all engines.
inline constexpr int QP_HISTOGRAM_SIZE = 52;
extern std::array<std::atomic<int>, QP_HISTOGRAM_SIZE> QpCounts;

class TCustomFFmpeg : public TFFmpegSettings {
public:
    TCustomFFmpeg();
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // ---- run-time state -------------------------------------------------
    std::atomic<bool> Running{false};
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Finished{false};
    std::atomic<bool> Terminated{false};
    bool Failed = false;
    std::string FailureMessage;
    int TotalDuration = -1;  // ms, -1 unknown
    std::string LastOpenError;
    int64_t ReportInterval = 500000;  // us
    // Codecs open right now (the holders live in InputCodecs/OutputCodecs),
    // newest first; whatever is listed when a run ends is closed by it.
    std::list<CodecContextPtr*> OpenEncoders;
    std::list<CodecContextPtr*> OpenDecoders;
    int64_t VideoBytes = 0, AudioBytes = 0, HeaderBytes = 0;
    int DupCount = 0, DropCount = 0;
    int64_t StartClock = 0;
    int64_t LastReportTime = 0;  // us, wall clock of the last progress report
    AvMemory<uint8_t> BitBuffer;
    int BitBufferSize = 262144;
    CFilePtr VstatsFile;
    // Audio and subtitle buffers of the engine, created on first use.
    std::vector<uint8_t> DecodeBuffer;    // decoded audio, 16-bit interleaved
    std::vector<uint8_t> ResampleBuffer;  // resampler output, one encoder frame
    std::vector<uint8_t> SilenceBuffer;   // silence followed by an input block
    std::vector<uint8_t> SubtitleBuffer;  // one encoded subtitle
    PacketPtr EncodedPacket;  // reused for every packet an encoder gives
    PacketPtr CopiedPacket;   // reused for every packet a stream copy writes
    // Per input file and stream: the decoder contexts made at opening.
    std::array<std::vector<TInputCodec>, MAX_FILES> InputCodecs;
    // Per output file and stream: the encoder contexts made at creation.
    std::array<std::vector<TOutputCodec>, MAX_FILES> OutputCodecs;
    // The run's tables (made by the transcode setup, freed by ReleaseStreamTables).
    std::vector<InputFileState> InputFileTable;
    std::vector<std::unique_ptr<InputStreamState>> InputStreamTable;
    std::vector<std::unique_ptr<OutputStreamState>> OutputStreamTable;

    // The thread running the engine; empty when none (never started,
    // synchronous, or terminated).
    std::shared_ptr<TFFmpegThread> WorkerThread() const;

    // ---- handlers ---------------------------------------------------------
    TLogHandler LogHandler;
    TProgressHandler ProgressHandler;
    TTerminateHandler TerminateHandler;
    TBeforeHookHandler BeforeHookHandler;
    TCustomHookHandler CustomHookHandler;
    // Frame hook ranges, sorted by their ends.
    std::vector<THookRange> HookRanges;
    void SetHookRanges(std::vector<THookRange> Ranges);

    // ---- lifecycle --------------------------------------------------------
    // Releases everything, restores the defaults and creates the default
    // option contexts. Does nothing while the codec libraries are not bound.
    void Prepare();
    // Returns the suspended worker thread (threaded; the caller resumes it) or
    // nullptr (synchronous run finished, start refused, or start checks failed).
    std::shared_ptr<TFFmpegThread> Start(bool AThreaded, TThreadPriority APriority);
    // The run itself; never throws what the conversion raised (it becomes
    // Failed/FailureMessage), only what a handler raised.
    void Run();
    void SignalTerminated();
    void Stop();
    void Abort();
    void Pause();
    void Resume();
    void ResetSettings();
    // Releases files, contexts and option memory; may run any number of times.
    void ReleaseAll();

    // Stops the run and waits until no thread uses the engine any more, then
    // releases everything. The destructor does this; a class deriving from
    // the engine calls it first in its own destructor, so the worker never
    // sees a half-destroyed object. Does not wait when called on the worker.
    void AbortAndWait();

    static std::string ErrorText(const std::string& Name, int Code);
    // Size in bytes of a regular file, -1 when there is none.
    static int64_t FileSizeOf(const std::string& FileName);

    // ---- files and streams ----------------------------------------------
    // Opens an input with the current settings and adds it to InputFiles;
    // false with LastOpenError set when it cannot be opened. Raises
    // FFMpegException "invalid codec_type" for a stream of no known kind.
    bool OpenInputFile(const std::string& FileName);
    // Codec id of an encoder or decoder name of the given media kind; an
    // empty name gives AV_CODEC_ID_NONE. False with LastOpenError set.
    bool FindCodecId(const std::string& Name, AVMediaType Kind, bool Encoder, AVCodecID& Id);
    // Creates an output with its streams; false with LastOpenError set.
    bool OpenOutputFile(const std::string& FileName);
    // Add one stream to an output; raise FFMpegException on failure.
    void NewVideoStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs);
    void NewAudioStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs);
    void NewSubtitleStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs);
    // Index into InputStreamTable of the first still-discarded stream of the
    // kind in a program with id ProgramID, or -1.
    int FindProgramStream(AVMediaType Kind) const;
    void ReleaseStreamTables();
    // The first phase of a run: tables, stream mapping, codec parameters,
    // codecs opened, headers written. Raises (after ReleaseStreamTables).
    void TranscodeSetup();

    // ---- options ----------------------------------------------------------
    // Runs the handler of a keyword; unknown keywords go to the generic path
    // and are ignored when no library context takes them. Raises on bad values.
    void ApplyOption(const std::string& Keyword, const std::string& Value);
    bool SetGenericOption(const std::string& Name, const std::string& Value);
    bool SetGenericOptionInt(const std::string& Name, int64_t Value);
    // Copies every generic option set so far from `source` (a defaults
    // context) into `target` when the option's flags contain all of `flags`.
    void CopyGenericOptions(void* target, void* source, int flags) const;
    // The private options a muxer or encoder with this class knows, for
    // opening it (the caller frees the dictionary).
    AVDictionary* PrivateOptionsFor(const AVClass* privateClass) const;

    void SetInputFormat(const std::string& Name);
    void SetOutputFormat(const std::string& Name);
    void SetFormat(const std::string& Name);

    // Handlers that option records call directly with typed values.
    void SetAudioSampleRate(int Value);
    void SetAudioChannels(int Value);
    void SetVideoCodec(const std::string& Value);
    void SetAudioCodec(const std::string& Value);
    void SetSubtitleCodec(const std::string& Value);
    void SetVideoTag(const std::string& Value);
    void SetAudioTag(const std::string& Value);
    void SetFrameRate(const std::string& Value);
    void SetFrameSize(const std::string& Value);
    void SetFrameAspectRatio(const std::string& Value);
    void SetCropTop(int Value);
    void SetCropBottom(int Value);
    void SetCropLeft(int Value);
    void SetCropRight(int Value);
    void SetPadTop(int Value);
    void SetPadBottom(int Value);
    void SetPadLeft(int Value);
    void SetPadRight(int Value);
    void SetQScale(double Value);
    void SetPassNumber(int Value);
    // Milliseconds; > 0 sets RecordingTime and TotalDuration.
    void SetRecordingTimeMs(int64_t Milliseconds);
    void SetTitle(const std::string& Value);
    void SetAuthor(const std::string& Value);
    void SetCopyright(const std::string& Value);
    void SetComment(const std::string& Value);
    void SetGenre(const std::string& Value);
    void SetAlbum(const std::string& Value);
    void SetVerbosity(int Value);
    // A disc or camcorder preset: Type "vcd", "svcd", "dvd", "dv" or "dv50";
    // Norm "pal", "ntsc", "film" or anything else for automatic; FallbackNorm
    // when the automatic norm finds nothing ("film", "ntsc", else PAL).
    void ApplyTarget(const std::string& Type, const std::string& Norm, const std::string& FallbackNorm);
    // The "target" keyword: an optional "pal-", "ntsc-" or "film-" prefix.
    void ApplyTargetKeyword(const std::string& Value);
    // Pad colour from an RGB value (red in the lowest byte).
    void SetPadColor(int Color);
    // "intra_matrix"/"inter_matrix": 64 comma-separated coefficients.
    void ParseMatrix(const std::string& Value, TQuantMatrix& Matrix);

protected:
    // Maps streams, opens codecs and runs the packet loop. Raises on failure.
    virtual void Transcode();
    // Log line to LogHandler (when assigned). On the worker it first waits
    // while the run is paused, so no handler runs while paused.
    void Log(int Level, const std::string& Text);
    // Waits while paused; called by the worker between steps.
    void CheckPaused();

    // ---- the pipeline (run on the worker) ----------------------------------
    void PacketLoop();
    void EndOfRun();
    // Decodes (or copies) one packet of an input stream and feeds the output
    // streams it maps to; nullptr flushes the stream at the end of its input.
    // -1 when decoding failed.
    int OutputPacket(InputStreamState& ist, AVPacket* pkt);
    void WritePacket(OutputStreamState& ost, AVPacket& pkt);
    void SubtitleOut(OutputStreamState& ost, InputStreamState& ist, AVSubtitle& sub, int64_t pts);
    // FrameSize: bytes of the last frame written by this call, 0 when none.
    void VideoOut(OutputStreamState& ost, InputStreamState& ist, AVFrame& picture, int& FrameSize);
    void AudioOut(OutputStreamState& ost, InputStreamState& ist, const uint8_t* data, int size);
    // Encodes what the sample fifo still holds and drains the audio encoder.
    void FlushAudio(OutputStreamState& ost);
    void FlushVideo(OutputStreamState& ost);
    // Rebuilds the scaler when a picture's size or format differs from what
    // the video path was built for; false when it cannot be used at all.
    bool AdaptVideoPath(OutputStreamState& ost, const AVFrame& picture);
    void Report(bool LastReport);
    void WriteVideoStats(OutputStreamState& ost, int FrameSize);

private:
    friend class TFFmpegThread;
    friend class TDoTerminateThread;
    friend struct OptionTable;

    void CloseOpenCodecs();
    // Waits until no thread of this engine's still uses it.
    void WaitForUsers();
    void ApplyCrop(int Value, int& Crop, int& FrameSide, const char* side, const char* direction);
    void ApplyPad(int Value, int& Pad, const char* side);
    void ParseDurationOrDate(const std::string& Keyword, const std::string& Value, bool IsDuration, int64_t& Out);
    void ApplyBitrate(const std::string& Keyword, const std::string& Value);
    void ApplyMap(const std::string& Value);
    void ApplyMetadataMap(const std::string& Value);
    void ApplyTsScale(const std::string& Value);
    void ApplyPixelFormat(const std::string& Value);
    void ApplyVstats();
    void NotAvailableYet(const std::string& Keyword);
    void NewStream(const std::string& Keyword);
    void ClearInputSettings();
    void SetupStreamCopy(OutputStreamState& ost, InputStreamState& ist);
    void SetupEncoding(OutputStreamState& ost, InputStreamState& ist);
    void OpenPassLog(OutputStreamState& ost, int index);
    void OpenCodecs();
    void OpenDecoder(InputStreamState& ist);
    void CopyPacket(OutputStreamState& ost, InputStreamState& ist, const AVPacket& pkt);
    void HandleDecodedAudio(InputStreamState& ist, AVFrame& frame);
    void HandleDecodedVideo(InputStreamState& ist, AVFrame& frame);
    // Sends a frame (nullptr drains) and writes every packet the encoder gives.
    // Returns the bytes written.
    int EncodeAndWrite(OutputStreamState& ost, const AVFrame* frame, int64_t& bytes);
    void EncodeAudioBlock(OutputStreamState& ost, const uint8_t* samples, int count);

    mutable std::mutex threadMutex_;
    std::shared_ptr<TFFmpegThread> workerThread_;
    // Threads that run on this engine (its run, a pending termination); kept
    // after termination so destruction can wait until they have left.
    std::shared_ptr<TThread> runThread_;
    std::shared_ptr<TThread> terminateThread_;
    std::atomic<bool> terminationPending_{false};
};

// Runs one engine's Run on its own thread.
class TFFmpegThread : public TThread {
public:
    static std::shared_ptr<TFFmpegThread> Create(TCustomFFmpeg& engine, TThreadPriority priority);

protected:
    explicit TFFmpegThread(TCustomFFmpeg& engine) : engine_(&engine) {}
    void Execute() override;

private:
    TCustomFFmpeg* engine_;  // not owned
};

// Delivers the termination of an engine that was stopped before it ran.
class TDoTerminateThread : public TThread {
public:
    static std::shared_ptr<TDoTerminateThread> Create(TCustomFFmpeg& engine);

protected:
    explicit TDoTerminateThread(TCustomFFmpeg& engine) : engine_(&engine) {}
    void Execute() override;

private:
    TCustomFFmpeg* engine_;  // not owned
};

}  // namespace vidmorph
