#include "cli_convert.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "job_options.h"
#include "media_info_text.h"
#include "media_probe.h"

namespace vidmorph::cli {

std::atomic<bool> InterruptRequested{false};

namespace {

using Clock = std::chrono::steady_clock;

// One file on its way: its own component and what its events reported.
struct TRunningFile {
    std::string Input, Output;
    std::unique_ptr<TVexcoder> Vexcoder;
    Clock::time_point Started = Clock::now();
    // Written on the task's thread, read on the main thread under the batch lock.
    int Frames = 0, Fps = 0, Duration = 0, Total = -1;
    int64_t Size = 0;
    bool Terminated = false, Finished = false, Failed = false;
    std::string Message;
};

std::string Seconds(double s) {
    char text[32];
    const int t = static_cast<int>(s + 0.5);
    std::snprintf(text, sizeof text, "%d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
    return text;
}

std::string LiveLine(const TRunningFile& f) {
    const double elapsed = std::chrono::duration<double>(Clock::now() - f.Started).count();
    const double fraction = f.Total > 0 ? std::min(1.0, double(f.Duration) / f.Total) : 0.0;
    char line[512];
    std::snprintf(line, sizeof line, "%5.1f%%  frame %6d  %4d fps  %8.0f kB  %s elapsed  %s left  %s", fraction * 100,
                  std::max(f.Frames, 0), std::max(f.Fps, 0), f.Size / 1024.0, Seconds(elapsed).c_str(),
                  fraction > 0.001 ? Seconds(elapsed * (1 - fraction) / fraction).c_str() : "-:--:--",
                  f.Input.c_str());
    return line;
}

}  // namespace

TConvertResult ConvertFiles(const TVectorProfileLists& ALists, const TConvertSettings& S, std::ostream& out,
                            std::ostream& err) {
    TConvertResult result;
    std::mutex m;
    std::condition_variable changed;
    std::deque<std::string> waiting(S.Files.begin(), S.Files.end());
    std::vector<std::unique_ptr<TRunningFile>> running;
    int liveShown = 0;

    const auto clearLive = [&] {
        if (!S.LiveLines || liveShown == 0) return;
        out << "\x1b[" << liveShown << "A";
        for (int i = 0; i < liveShown; ++i) out << "\x1b[2K\n";
        out << "\x1b[" << liveShown << "A" << std::flush;
        liveShown = 0;
    };
    const auto drawLive = [&] {
        if (!S.LiveLines) return;
        clearLive();
        for (const auto& f : running) out << LiveLine(*f) << "\n";
        liveShown = static_cast<int>(running.size());
        out << std::flush;
    };
    const auto report = [&](const std::string& line) {
        clearLive();
        out << line << "\n" << std::flush;
    };

    // Job submission of one file, as the desktop app does it.
    const auto submit = [&](const std::string& input) {
        auto file = std::make_unique<TRunningFile>();
        file->Input = input;
        TJobRequest job;
        job.InputFile = input;
        job.OutputFolder = S.OutputFolder;
        job.Overwrite = S.Overwrite;
        job.VolumePosition = S.VolumePosition;
        {
            TAVProbe probe;
            if (probe.OpenFile(input, "")) {
                const TMediaInfoTexts texts = MediaInfoTexts(probe);
                job.SourceWidth = texts.Width;
                job.SourceHeight = texts.Height;
            }
        }
        TOutputOptions output;
        try {
            file->Output = FillJobOutputOptions(ALists.lists, job, output);
        } catch (const std::exception& e) {
            report(input + ": Fail: " + e.what());
            ++result.Failed;
            return;
        }
        for (const std::string& line : S.ExtraOptions) output.ExtraOptions += line + "\n";

        file->Vexcoder = std::make_unique<TVexcoder>();
        TVexcoder& v = *file->Vexcoder;
        v.SetLogLevel(S.LogLevel);
        TRunningFile* f = file.get();
        v.OnProgress = [&, f](int, int frame, int fps, int duration, float, float, int64_t size, int total) {
            std::lock_guard lock(m);
            f->Frames = frame;
            f->Fps = fps;
            f->Duration = duration;
            f->Size = size;
            f->Total = total;
            changed.notify_all();
        };
        v.OnTerminate = [&, f](int index, bool finished, bool exception, const std::string& message) {
            if (index < 0) return;
            std::lock_guard lock(m);
            f->Terminated = true;
            f->Finished = finished;
            f->Failed = exception;
            f->Message = message;
            changed.notify_all();
        };
        if (S.Verbose)
            v.OnLog = [&, input](int index, TLogLevel, const std::string& text) {
                if (index < 0) return;  // not this file's task (another file's, or nobody's)
                std::lock_guard lock(m);
                err << input << ": " << text << "\n";
            };
        TInputOptions in;
        InitInputOptions(in);
        in.FileName = input;
        in.StartTime = 0;
        const int task = v.AddInput(input, &in);
        if (task < 0) {
            report(input + ": Fail: " + v.LastError());
            ++result.Failed;
            return;
        }
        if (!v.AddOutput(task, file->Output, &output)) {
            report(input + ": Fail: " + v.LastError());
            ++result.Failed;
            v.DeleteTask(task);
            return;
        }
        {
            std::lock_guard lock(m);
            running.push_back(std::move(file));
        }
        v.StartTasks(1);
    };

    bool stopping = false;
    for (;;) {
        if (InterruptRequested && !stopping) {
            stopping = true;
            result.Interrupted = true;
            for (const auto& f : running) f->Vexcoder->StopTasks();
            for (const std::string& input : waiting) {
                report(input + ": Abort");
                ++result.Aborted;
            }
            waiting.clear();
        }
        while (!stopping && !waiting.empty() && static_cast<int>(running.size()) < std::max(1, S.Jobs)) {
            const std::string input = waiting.front();
            waiting.pop_front();
            submit(input);
        }
        // Collect the files that ended, in the order they were started.
        std::vector<std::unique_ptr<TRunningFile>> ended;
        {
            std::unique_lock lock(m);
            if (running.empty() && (waiting.empty() || stopping)) break;
            changed.wait_for(lock, std::chrono::milliseconds(200));
            for (auto it = running.begin(); it != running.end();) {
                if ((*it)->Terminated) {
                    ended.push_back(std::move(*it));
                    it = running.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& f : ended) {
            f->Vexcoder.reset();  // waits until its thread has left
            if (f->Finished) {
                report(f->Input + " -> " + f->Output + ": Done");
                ++result.Done;
            } else if (f->Failed) {
                report(f->Input + ": Fail: " + f->Message);
                ++result.Failed;
            } else {
                report(f->Input + " -> " + f->Output + ": Abort");
                ++result.Aborted;
            }
        }
        std::lock_guard lock(m);
        drawLive();
    }
    clearLive();
    out << result.Done << " done, " << result.Failed << " failed, " << result.Aborted << " aborted\n" << std::flush;
    return result;
}

}  // namespace vidmorph::cli
