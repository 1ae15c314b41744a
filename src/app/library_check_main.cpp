// Reports whether the codec libraries are usable and what the catalogue needs
// from them, each entry available or missing.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "library_binding.h"

int main() {
    using namespace vidmorph;
    std::error_code ec;
    const std::string exeDir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
    const bool ok = BindCodecLibraries(exeDir, true);
    std::printf("Vidmorph codec library check: %s\n", ok ? "usable" : BindError().c_str());
    for (const std::string& line : DescribeCodecSupport()) std::printf("%s\n", line.c_str());
    if (!ok) std::printf("Some files are missing. Please re-install this software\n");
    return ok ? 0 : 1;
}
