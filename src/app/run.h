#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantedit {

inline constexpr const char* kVersion = "V2.4 RU";

// The whole run: banner, arguments, loading and recognising the executable, then MAKE,
// PATCH, DIFF or MERGE. args[0] is the program name. Returns the exit status.
int runVantedit(const std::vector<std::string>& args, std::ostream& out);

}  // namespace vantedit
