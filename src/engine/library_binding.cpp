#include "library_binding.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "log_levels.h"

namespace vidmorph {

namespace {

struct LibraryState {
    bool bound = false;
    std::string error;
};

struct BindingState {
    std::mutex m;
    bool librariesBound = false;
    std::string bindError;
    std::array<LibraryState, CODEC_LIBRARY_COUNT> libraries;
};

BindingState& State() {
    static BindingState state;
    return state;
}

constexpr std::array<TCodecLibrary, CODEC_LIBRARY_COUNT> kBindingOrder{
    TCodecLibrary::Codec, TCodecLibrary::Format, TCodecLibrary::Utility, TCodecLibrary::Scaling,
    TCodecLibrary::Resampling};

int IndexOf(TCodecLibrary library) { return static_cast<int>(library); }

std::string FormatVersion(unsigned v) {
    return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

// Puts `dir` in front of PATH unless it is one of PATH's entries already.
void AddToSearchPath(const std::string& dir) {
    const char* old = std::getenv("PATH");
    const std::string path = old ? old : "";
    std::stringstream entries(path);
    for (std::string entry; std::getline(entries, entry, ':');) {
        if (entry == dir) return;
    }
    const std::string updated = path.empty() ? dir : dir + ":" + path;
    ::setenv("PATH", updated.c_str(), 1);
}

// Checks one library: "loads" it (right major version), then finds its entries.
bool BindOne(TCodecLibrary library, bool versioned, const TLibraryProbe& probe, LibraryState& state) {
    const std::string fileName = LibraryFileName(library, versioned);
    const unsigned runtime = probe.RuntimeVersion(library);
    if ((runtime >> 16) != BuildMajorVersion(library)) {
        state.error = "Load libraray " + fileName + " error: version " + FormatVersion(runtime) +
                      " found, major version " + std::to_string(BuildMajorVersion(library)) + " required";
        return false;
    }
    if (!state.bound) {
        for (const TRequiredEntry& entry : RequiredEntries(library)) {
            if (!probe.HasEntry(library, entry)) {
                state.error = "Load function " + entry.Name + "@" + fileName + " error: no " + entry.Kind +
                              " of that name in this build";
                return false;
            }
        }
        state.bound = true;
    }
    state.error.clear();
    return true;
}

void UnbindLocked(BindingState& s) {
    s.librariesBound = false;
    for (LibraryState& l : s.libraries) l.bound = false;
}

}  // namespace

unsigned BuildMajorVersion(TCodecLibrary library) {
    switch (library) {
        case TCodecLibrary::Codec: return LIBAVCODEC_VERSION_MAJOR;
        case TCodecLibrary::Format: return LIBAVFORMAT_VERSION_MAJOR;
        case TCodecLibrary::Utility: return LIBAVUTIL_VERSION_MAJOR;
        case TCodecLibrary::Scaling: return LIBSWSCALE_VERSION_MAJOR;
        case TCodecLibrary::Resampling: return LIBSWRESAMPLE_VERSION_MAJOR;
    }
    return 0;
}

std::string LibraryDisplayName(TCodecLibrary library) {
    switch (library) {
        case TCodecLibrary::Codec: return "libavcodec";
        case TCodecLibrary::Format: return "libavformat";
        case TCodecLibrary::Utility: return "libavutil";
        case TCodecLibrary::Scaling: return "libswscale";
        case TCodecLibrary::Resampling: return "libswresample";
    }
    return {};
}

std::string LibraryFileName(TCodecLibrary library, bool versioned) {
    const std::string plain = LibraryDisplayName(library) + ".so";
    return versioned ? plain + "." + std::to_string(BuildMajorVersion(library)) : plain;
}

const std::vector<TRequiredEntry>& RequiredEntries(TCodecLibrary library) {
    static const std::vector<TRequiredEntry> codec = [] {
        std::vector<TRequiredEntry> v;
        // Encoders the profiles name (historical names resolved).
        for (const char* name : {"mpeg4", "libx264", "libxvid", "h263", "wmv2", "libfaac", "libmp3lame", "libamr_nb",
                                 "mp2", "wmav2", "pcm_s16le"})
            v.push_back({"encoder", ResolveLegacyCodecName(name)});
        // Decoders of everything the catalogue writes, so outputs read back.
        for (const char* name : {"mpeg4", "h264", "h263", "wmv2", "aac", "mp3", "amrnb", "mp2", "wmav2", "pcm_s16le"})
            v.push_back({"decoder", name});
        return v;
    }();
    static const std::vector<TRequiredEntry> format = {
        {"muxer", "mp4"}, {"muxer", "ipod"}, {"muxer", "psp"}, {"muxer", "3gp"}, {"muxer", "3g2"},
        {"muxer", "avi"}, {"muxer", "asf"},  {"muxer", "mov"}, {"muxer", "mp3"}, {"muxer", "wav"}};
    static const std::vector<TRequiredEntry> none;
    switch (library) {
        case TCodecLibrary::Codec: return codec;
        case TCodecLibrary::Format: return format;
        default: return none;
    }
}

std::string ResolveLegacyCodecName(const std::string& name) {
    if (name == "libfaac" || name == "mpeg4aac") return "aac";
    if (name == "libamr_nb") return "libopencore_amrnb";
    return name;
}

TLibraryProbe RealLibraryProbe() {
    TLibraryProbe probe;
    probe.RuntimeVersion = [](TCodecLibrary library) -> unsigned {
        switch (library) {
            case TCodecLibrary::Codec: return avcodec_version();
            case TCodecLibrary::Format: return avformat_version();
            case TCodecLibrary::Utility: return avutil_version();
            case TCodecLibrary::Scaling: return swscale_version();
            case TCodecLibrary::Resampling: return swresample_version();
        }
        return 0;
    };
    probe.HasEntry = [](TCodecLibrary, const TRequiredEntry& entry) {
        if (entry.Kind == "encoder") return avcodec_find_encoder_by_name(entry.Name.c_str()) != nullptr;
        if (entry.Kind == "decoder") return avcodec_find_decoder_by_name(entry.Name.c_str()) != nullptr;
        if (entry.Kind == "muxer") return av_guess_format(entry.Name.c_str(), nullptr, nullptr) != nullptr;
        return false;
    };
    return probe;
}

bool BindCodecLibraries(const std::string& APath, bool AVersionedNames) {
    return BindCodecLibraries(APath, AVersionedNames, RealLibraryProbe());
}

bool BindCodecLibraries(const std::string& APath, bool AVersionedNames, const TLibraryProbe& probe) {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    if (s.librariesBound) return true;
    s.bindError.clear();

    std::error_code ec;
    std::filesystem::path savedDir;
    const bool changeDir = !APath.empty();
    if (changeDir) {
        savedDir = std::filesystem::current_path(ec);
        std::filesystem::current_path(APath, ec);
        AddToSearchPath(APath);
    }
    bool ok = true;
    for (TCodecLibrary library : kBindingOrder) {
        LibraryState& state = s.libraries[IndexOf(library)];
        if (!BindOne(library, AVersionedNames, probe, state)) {
            s.bindError = state.error;
            ok = false;
            break;
        }
    }
    if (changeDir && !savedDir.empty()) std::filesystem::current_path(savedDir, ec);

    if (ok) {
        s.librariesBound = true;
        CachedLogLevel.store(EngineLogLevel(av_log_get_level()));
    } else {
        UnbindLocked(s);
    }
    return s.librariesBound;
}

void UnbindCodecLibraries() {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    UnbindLocked(s);
}

bool LibrariesBound() {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    return s.librariesBound;
}

std::string BindError() {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    return s.bindError;
}

bool LibraryBound(TCodecLibrary library) {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    return s.libraries[IndexOf(library)].bound;
}

std::string LibraryError(TCodecLibrary library) {
    BindingState& s = State();
    std::lock_guard lock(s.m);
    return s.libraries[IndexOf(library)].error;
}

std::vector<std::string> DescribeCodecSupport() {
    const TLibraryProbe probe = RealLibraryProbe();
    std::vector<std::string> lines;
    for (TCodecLibrary library : kBindingOrder) {
        const unsigned runtime = probe.RuntimeVersion(library);
        lines.push_back(LibraryDisplayName(library) + " " + FormatVersion(runtime) + " (built for " +
                        std::to_string(BuildMajorVersion(library)) + ".x)");
        for (const TRequiredEntry& entry : RequiredEntries(library)) {
            char line[128];
            std::snprintf(line, sizeof line, "  %-8s %-20s %s", entry.Kind.c_str(), entry.Name.c_str(),
                          probe.HasEntry(library, entry) ? "available" : "missing");
            lines.emplace_back(line);
        }
    }
    return lines;
}

}  // namespace vidmorph
