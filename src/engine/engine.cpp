// Engine object lifecycle: construction, Prepare, Start, Run, termination,
// stop/pause/resume, release.
#include "engine.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "library_binding.h"

namespace vidmorph {

std::mutex& CodecLock() {
    static std::mutex lock;
    return lock;
}

std::array<std::atomic<int>, QP_HISTOGRAM_SIZE> QpCounts{};

EAssertionFailed::EAssertionFailed(const std::string& message, std::source_location where)
    : Exception(message + " (" + std::filesystem::path(where.file_name()).filename().string() + ", line " +
                std::to_string(where.line()) + ")") {}

// ---- threads ---------------------------------------------------------------

std::shared_ptr<TFFmpegThread> TFFmpegThread::Create(TCustomFFmpeg& engine, TThreadPriority priority) {
    std::shared_ptr<TFFmpegThread> thread(new TFFmpegThread(engine));
    CreateSuspended(thread, priority);
    return thread;
}

void TFFmpegThread::Execute() {
    if (engine_) engine_->Run();
}

std::shared_ptr<TDoTerminateThread> TDoTerminateThread::Create(TCustomFFmpeg& engine) {
    std::shared_ptr<TDoTerminateThread> thread(new TDoTerminateThread(engine));
    CreateSuspended(thread, tpIdle);
    return thread;
}

void TDoTerminateThread::Execute() {
    if (engine_) engine_->SignalTerminated();
}

// ---- construction and settings -------------------------------------------------

TCustomFFmpeg::TCustomFFmpeg() { ResetSettings(); }

TCustomFFmpeg::~TCustomFFmpeg() { AbortAndWait(); }

void TCustomFFmpeg::AbortAndWait() {
    Abort();
    // Give the worker a moment to see the stop request ...
    for (int i = 0; i < 10 && WorkerThread(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // ... and never free what it still uses: wait until it has left the engine.
    WaitForUsers();
    CloseOpenCodecs();
    ReleaseStreamTables();
    ReleaseAll();
}

void TCustomFFmpeg::WaitForUsers() {
    std::shared_ptr<TThread> run, terminate;
    {
        std::lock_guard lock(threadMutex_);
        run = runThread_;
        terminate = terminateThread_;
    }
    for (const auto& t : {run, terminate}) {
        if (!t || t->IsCurrentThread()) continue;
        if (t->Suspended()) t->Resume();  // a never-started worker runs and sees the stop request
        t->WaitFor();
    }
}

std::shared_ptr<TFFmpegThread> TCustomFFmpeg::WorkerThread() const {
    std::lock_guard lock(threadMutex_);
    return workerThread_;
}

void TCustomFFmpeg::ResetSettings() {
    static_cast<TFFmpegSettings&>(*this) = TFFmpegSettings{};
    VideoBytes = AudioBytes = HeaderBytes = 0;
    DupCount = DropCount = 0;
    BitBufferSize = 262144;
    BitBuffer.reset();
    {
        std::lock_guard lock(threadMutex_);
        workerThread_.reset();
    }
    TotalDuration = -1;
    Failed = false;
}

void TCustomFFmpeg::Prepare() {
    if (!LibrariesBound()) return;
    ReleaseAll();
    ResetSettings();
    Running = false;
    StopRequested = false;
    Finished = false;
    Terminated = false;
    terminationPending_ = false;
    TotalDuration = -1;
    for (int kind = 0; kind < CODEC_KIND_COUNT; ++kind) {
        CodecDefaults[kind].reset(avcodec_alloc_context3(nullptr));
        if (!CodecDefaults[kind]) throw std::bad_alloc();
        CodecDefaults[kind]->codec_type = static_cast<AVMediaType>(kind);
    }
    FormatDefaults.reset(avformat_alloc_context());
    ScalerDefaults.reset(
        sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, SwsFlags, nullptr, nullptr, nullptr));
    if (!FormatDefaults || !ScalerDefaults) throw std::bad_alloc();
}

void TCustomFFmpeg::ReleaseAll() {
    for (auto& c : CodecDefaults) c.reset();
    FormatDefaults.reset();
    ScalerDefaults.reset();

    for (auto& codecs : InputCodecs) codecs.clear();
    for (auto& codecs : OutputCodecs) {
        for (TOutputCodec& c : codecs)
            if (c.Codec) av_freep(&c.Codec->stats_in);
        codecs.clear();
    }
    for (int i = 0; i < OutputFileCount; ++i) {
        const std::string url = OutputFiles[i] && OutputFiles[i]->url ? OutputFiles[i]->url : "";
        OutputFiles[i].reset();  // closes its file
        // An output nothing was ever written to is not left behind.
        if (!url.empty() && FileSizeOf(url) == 0) {
            std::error_code ec;
            std::filesystem::remove(url, ec);
        }
    }
    OutputFileCount = 0;
    for (int i = 0; i < InputFileCount; ++i) InputFiles[i].reset();
    InputFileCount = 0;

    IntraMatrix.reset();
    InterMatrix.reset();
    VstatsFile.reset();
    VstatsFileName.Release();
    GenericOptionNames.clear();
    PrivateOptions.clear();
    VideoCodecName.Release();
    AudioCodecName.Release();
    SubtitleCodecName.Release();
    VideoStandard.Release();
    RcOverride.Release();
    AudioLanguage.clear();
    SubtitleLanguage.clear();

    BitBuffer.reset();
}

// ---- run ---------------------------------------------------------------------

std::shared_ptr<TFFmpegThread> TCustomFFmpeg::Start(bool AThreaded, TThreadPriority APriority) {
    if (Running || Terminated || terminationPending_) return nullptr;
    const char* failure = OutputFileCount == 0  ? "Must supply at least one output file"
                          : InputFileCount == 0 ? "Must supply at least one input file"
                                                : nullptr;
    if (failure) {
        ReleaseAll();
        Failed = true;
        FailureMessage = failure;
        Log(-1, failure);
        SignalTerminated();  // may free this engine; touch nothing afterwards
        return nullptr;
    }
    Running = true;
    StopRequested = false;
    Finished = false;
    Terminated = false;
    if (!AThreaded) {
        Run();  // may free this engine through TerminateHandler
        return nullptr;
    }
    std::shared_ptr<TFFmpegThread> thread = TFFmpegThread::Create(*this, APriority);
    std::lock_guard lock(threadMutex_);
    workerThread_ = thread;
    runThread_ = thread;
    return thread;
}

void TCustomFFmpeg::Run() {
    Finished = false;
    if (StopRequested) {
        // Stopped before it began (a worker resumed only to be freed): no
        // file is touched, the termination still comes.
        ReleaseAll();
        SignalTerminated();
        return;
    }
    // Whatever happens in the conversion, the open codecs are closed, the
    // engine is released and the termination is signalled exactly once. An
    // exception a handler raises is passed on after that.
    std::exception_ptr handlerFailure;
    try {
        try {
            Transcode();
        } catch (const std::exception& e) {
            Failed = true;
            FailureMessage = e.what();
            Log(-1, FailureMessage);
        } catch (...) {
            Failed = true;
            FailureMessage = "Unknown failure";
            Log(-1, FailureMessage);
        }
    } catch (...) {
        handlerFailure = std::current_exception();
    }
    CloseOpenCodecs();
    ReleaseStreamTables();
    ReleaseAll();
    if (handlerFailure) {
        try {
            SignalTerminated();
        } catch (...) {
        }
        std::rethrow_exception(handlerFailure);
    }
    SignalTerminated();  // may free this engine; touch nothing afterwards
}

void TCustomFFmpeg::CloseOpenCodecs() {
    for (CodecContextPtr* holder : OpenEncoders) {
        if (!*holder) continue;
        av_freep(&(*holder)->stats_in);
        std::lock_guard lock(CodecLock());
        holder->reset();
    }
    OpenEncoders.clear();
    for (CodecContextPtr* holder : OpenDecoders) {
        std::lock_guard lock(CodecLock());
        holder->reset();
    }
    OpenDecoders.clear();
}

void TCustomFFmpeg::SignalTerminated() {
    // Terminated first: a Stop arriving now must not take the engine for one
    // that never ran and deliver a second termination.
    Terminated = true;
    Running = false;
    {
        std::lock_guard lock(threadMutex_);
        workerThread_.reset();
    }
    // The handler may free this engine (and with it the handler object), so
    // it runs from a copy and nothing is touched afterwards.
    if (const TTerminateHandler handler = TerminateHandler) handler(*this);
}

void TCustomFFmpeg::Stop() {
    if (Running) {
        StopRequested = true;
        if (auto t = WorkerThread(); t && t->Suspended()) t->Resume();
        return;
    }
    if (Terminated || terminationPending_.exchange(true)) return;
    // Never started: its termination comes from a short-lived thread.
    auto thread = TDoTerminateThread::Create(*this);
    {
        std::lock_guard lock(threadMutex_);
        terminateThread_ = thread;
    }
    thread->Resume();
}

void TCustomFFmpeg::Abort() {
    StopRequested = true;
    if (auto t = WorkerThread(); t && t->Suspended()) t->Resume();
}

void TCustomFFmpeg::Pause() {
    if (auto t = WorkerThread(); t && !t->Suspended()) t->Suspend();
}

void TCustomFFmpeg::Resume() {
    if (auto t = WorkerThread(); t && t->Suspended()) t->Resume();
}

void TCustomFFmpeg::CheckPaused() {
    if (auto t = WorkerThread(); t && t->IsCurrentThread()) t->CheckSuspended();
}

void TCustomFFmpeg::Log(int Level, const std::string& Text) {
    if (!LogHandler) return;
    CheckPaused();
    LogHandler(*this, Level, Text);
}

void TCustomFFmpeg::SetHookRanges(std::vector<THookRange> Ranges) {
    std::stable_sort(Ranges.begin(), Ranges.end(), [](const THookRange& a, const THookRange& b) { return a.End < b.End; });
    HookRanges = std::move(Ranges);
}

// ---- helpers -----------------------------------------------------------------

std::string TCustomFFmpeg::ErrorText(const std::string& Name, int Code) {
    const char* tail;
    switch (Code) {
        case AVERROR(EILSEQ):
        case AVERROR_DEMUXER_NOT_FOUND:
        case AVERROR_MUXER_NOT_FOUND:
        case AVERROR_PROTOCOL_NOT_FOUND:
            tail = ": Unknown format";
            break;
        case AVERROR(EDOM):
            tail = ": Incorrect image filename syntax.\r\n"
                   "Use '%d' to specify the image number:\r\n"
                   "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n"
                   "  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'.";
            break;
        case AVERROR(EINVAL):
        case AVERROR_INVALIDDATA:
            tail = ": Error while parsing header";
            break;
        case AVERROR(ENOMEM):
            tail = ": memory allocation error occurred";
            break;
        case AVERROR(EIO):
        case AVERROR_EOF:
            tail = ": I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.";
            break;
        case AVERROR(ENOENT):
            tail = ": no such file or directory";
            break;
        default:
            tail = ": Error while opening file";
    }
    return Name + tail;
}

int64_t TCustomFFmpeg::FileSizeOf(const std::string& FileName) {
    std::error_code ec;
    const std::filesystem::path path(FileName);
    if (!std::filesystem::is_regular_file(path, ec)) return -1;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

}  // namespace vidmorph
