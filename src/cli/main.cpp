// vidmorph-cli: the output catalogue, the probe and conversions from a terminal.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "cli_convert.h"
#include "cli_reports.h"
#include "format_choice.h"
#include "job_options.h"
#include "library_binding.h"
#include "log_levels.h"
#include "log_routing.h"
#include "vexcoder.h"

namespace {

using namespace vidmorph;
using namespace vidmorph::cli;

constexpr int kUsageError = 2;

void OnInterrupt(int) { InterruptRequested = true; }

// A usage error: the message and the exit status 2.
struct UsageError {
    std::string Message;
};

std::string Quoted(const TSettingList& list) {
    std::string s;
    for (int i = 0; i < list.Count(); ++i) s += (i ? ", \"" : "\"") + list.Item(i) + "\"";
    return s.empty() ? "(none)" : s;
}

void SelectFormat(TVectorProfileLists& L, const std::string& argument) {
    const auto index = FindFormat(L.format, argument);
    if (!index) {
        std::string names;
        for (const TShortName& s : ShortNames()) names += (names.empty() ? "" : ", ") + std::string(s.Name);
        throw UsageError{"unknown format \"" + argument + "\"; use a short name (" + names +
                         "), a list index or a display name (see --list-formats)"};
    }
    L.format.SetItemIndex(*index);
    ComboOutputFormatChange(L.lists, L.lists.DropDownCount);
}

void Choose(TSettingList& list, const std::string& option, const std::string& choice) {
    if (choice.empty()) return;
    const auto index = MatchEntry(list, choice);
    if (!index) throw UsageError{"--" + option + " \"" + choice + "\" is not offered; choose one of " + Quoted(list)};
    list.SetItemIndex(*index);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vidmorph-cli: convert audio and video files for portable players and phones"};
    bool listFormats = false, json = false, overwrite = false, version = false;
    std::string showFormat, format, folder;
    std::vector<std::string> probe, files, extraOptions;
    std::string videoQuality, videoCodec, videoSize, frameRate, audioQuality, audioCodec, audioChannels, samplingRate;
    std::string aspect;
    int volume = 100, jobs = 1;
    int quiet = 0, verbose = 0;

    app.add_flag("--list-formats", listFormats, "List the output formats");
    app.add_option("--show-format", showFormat, "Show a format's lists and default choices");
    app.add_option("--probe", probe, "Show what the file list shows for files, with the probe's figures");
    app.add_flag("--json", json, "Print one JSON document (with --list-formats, --show-format, --probe)");
    app.add_option("-f,--format", format, "Output format: short name, list index or display name");
    app.add_option("-o,--output", folder, "Output folder (must exist)");
    app.add_option("--video-quality", videoQuality, "An entry of the format's video quality list");
    app.add_option("--video-codec", videoCodec, "An entry of the format's video codec list");
    app.add_option("--video-size", videoSize, "An entry of the format's video size list");
    app.add_option("--frame-rate", frameRate, "An entry of the format's frame rate list");
    app.add_option("--audio-quality", audioQuality, "An entry of the format's audio quality list");
    app.add_option("--audio-codec", audioCodec, "An entry of the format's audio codec list");
    app.add_option("--audio-channels", audioChannels, "An entry of the format's channel list");
    app.add_option("--sampling-rate", samplingRate, "An entry of the format's sampling rate list");
    app.add_option("--volume", volume, "Volume in percent: 0 to 200 in steps of 20")->default_val(100);
    app.add_option("--aspect", aspect, "Aspect ratio: Original, 4:3 or 16:9");
    app.add_flag("--overwrite", overwrite, "Overwrite existing files with the same name");
    app.add_option("--option", extraOptions, "Engine option KEY=VALUE (repeatable)")->allow_extra_args(false);
    app.add_option("-j,--jobs", jobs, "Files converted at once")->default_val(1)->check(CLI::Range(1, 64));
    app.add_flag("-q,--quiet", quiet, "Only result lines");
    app.add_flag("-v,--verbose", verbose, "Log lines on the error stream (twice: debug)");
    app.add_flag("--version", version, "Print the version");
    bool check = false;
    app.add_flag("--check", check, "Check the codec libraries and what the catalogue needs from them");
    app.add_option("files", files, "Files to convert");
    CLI11_PARSE(app, argc, argv);

    try {
        if (version) {
            std::cout << "vidmorph-cli " << VIDMORPH_VERSION << " (conversion component " << TVexcoder::Version()
                      << ")\n";
            return 0;
        }
        TVexcoder loader;
        if (check) {
            const bool usable = loader.LoadCodecLibraries("", true);
            std::cout << "codec libraries: " << (usable ? "usable" : loader.LastError()) << "\n";
            for (const std::string& line : DescribeCodecSupport()) std::cout << line << "\n";
            return usable ? 0 : 1;
        }
        if (!loader.LoadCodecLibraries("", true)) {
            std::cerr << "vidmorph-cli: " << loader.LastError() << "\n";
            return 1;
        }
        SetProcessLogLevel(verbose >= 2 ? 2 : verbose ? 1 : 0);

        TVectorProfileLists lists;
        if (listFormats) {
            ListFormats(lists, json, std::cout);
            return 0;
        }
        if (!showFormat.empty()) {
            SelectFormat(lists, showFormat);
            ShowFormat(lists, json, std::cout);
            return 0;
        }
        if (!probe.empty()) return ProbeFiles(probe, json, std::cout) ? 0 : 1;

        // Conversion: everything is checked before anything converts.
        if (format.empty()) throw UsageError{"no output format: give -f FORMAT (see --list-formats)"};
        if (folder.empty()) throw UsageError{"no output folder: give -o FOLDER"};
        if (files.empty()) throw UsageError{"no files to convert"};
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) throw UsageError{"output folder \"" + folder + "\" does not exist"};
        SelectFormat(lists, format);
        Choose(lists.videoBitrate, "video-quality", videoQuality);
        Choose(lists.videoCodec, "video-codec", videoCodec);
        Choose(lists.videoSize, "video-size", videoSize);
        Choose(lists.videoFramerate, "frame-rate", frameRate);
        Choose(lists.audioBitrate, "audio-quality", audioQuality);
        Choose(lists.audioCodec, "audio-codec", audioCodec);
        Choose(lists.audioChannels, "audio-channels", audioChannels);
        Choose(lists.samplingRate, "sampling-rate", samplingRate);
        Choose(lists.aspectRatio, "aspect", aspect);
        TConvertSettings settings;
        settings.VolumePosition = -1;
        for (int position = 0; position <= 10; ++position)
            if (VolumeLabel(position) == std::to_string(volume) + "%") settings.VolumePosition = position;
        if (settings.VolumePosition < 0)
            throw UsageError{"--volume " + std::to_string(volume) + " is not offered; choose 0 to 200 in steps of 20"};
        for (const std::string& option : extraOptions)
            if (option.find('=') == std::string::npos) throw UsageError{"--option \"" + option + "\" is not KEY=VALUE"};

        settings.Files = files;
        settings.OutputFolder = folder;
        settings.Overwrite = overwrite;
        settings.ExtraOptions = extraOptions;
        settings.Jobs = jobs;
        settings.LogLevel = verbose >= 2 ? llDebug : verbose ? llInfo : quiet ? llQuiet : llError;
        settings.Verbose = verbose > 0;
        settings.LiveLines = !quiet && isatty(STDOUT_FILENO);

        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigaction(SIGINT, &action, nullptr);
        const TConvertResult result = ConvertFiles(lists, settings, std::cout, std::cerr);
        if (result.Interrupted) return 130;
        return result.Failed > 0 ? 1 : result.Aborted > 0 ? 1 : 0;
    } catch (const UsageError& e) {
        std::cerr << "vidmorph-cli: " << e.Message << "\n";
        return kUsageError;
    } catch (const std::exception& e) {
        std::cerr << "vidmorph-cli: " << e.what() << "\n";
        return 1;
    }
}
