// The check that the FFmpeg libraries the program is linked with are usable,
// made once at start-up before any conversion.
//
// The libraries are linked at build time. "Loading" one means finding it with
// the major version the program was built for; "binding its entry points"
// means finding what the catalogue needs in it (encoders and decoders in the
// codec library, muxers in the format library). The first library that fails
// names the failure:
//   "Load libraray %s error: %s"          (file name, reason)
//   "Load function %s@%s error: %s"       (entry, file name, reason)
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vidmorph {

enum class TCodecLibrary { Codec, Format, Utility, Scaling, Resampling };
inline constexpr int CODEC_LIBRARY_COUNT = 5;

// What the program needs from one library.
struct TRequiredEntry {
    std::string Kind;  // "encoder", "decoder", "muxer"
    std::string Name;  // as the library names it
};

// Reads what the loaded libraries offer. The default reads the real
// libraries; tests replace it to make one library fail.
struct TLibraryProbe {
    // Runtime version of a library (major << 16 | minor << 8 | micro).
    std::function<unsigned(TCodecLibrary)> RuntimeVersion;
    std::function<bool(TCodecLibrary, const TRequiredEntry&)> HasEntry;
};
TLibraryProbe RealLibraryProbe();

// The major version each library was built against.
unsigned BuildMajorVersion(TCodecLibrary library);
// "libavcodec.so.59" (versioned) or "libavcodec.so" (plain).
std::string LibraryFileName(TCodecLibrary library, bool versioned);
std::string LibraryDisplayName(TCodecLibrary library);
// Entries the catalogue needs from a library, in checking order.
const std::vector<TRequiredEntry>& RequiredEntries(TCodecLibrary library);

// Current library name of an encoder the profiles name with its historical
// name ("libfaac", "mpeg4aac" -> "aac"; "libamr_nb" -> "libopencore_amrnb");
// any other name is returned unchanged.
std::string ResolveLegacyCodecName(const std::string& name);

// Checks the five libraries in order and stops at the first that fails. A
// non-empty APath becomes the current directory during the check (restored
// afterwards) and is put in front of PATH unless already listed there.
bool BindCodecLibraries(const std::string& APath, bool AVersionedNames);
bool BindCodecLibraries(const std::string& APath, bool AVersionedNames, const TLibraryProbe& probe);
void UnbindCodecLibraries();
bool LibrariesBound();
std::string BindError();
bool LibraryBound(TCodecLibrary library);
std::string LibraryError(TCodecLibrary library);

// One line per required entry of every library: "  encoder libx264 ... available".
std::vector<std::string> DescribeCodecSupport();

}  // namespace vidmorph
