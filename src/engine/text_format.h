// printf-style formatting into a std::string, for the engine's fixed message
// texts with numbers in them.
#pragma once

#include <string>

namespace vidmorph {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vidmorph
