#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "model/memory.h"

namespace vantedit {

inline constexpr const char* kVersion = "V2.4 RU";

// The whole run: banner, arguments, loading and recognising the executable, then MAKE,
// PATCH, DIFF, TEXTS or MERGE. args[0] is the program name. Returns the exit status. No failure to
// allocate ends it otherwise than with its message and status 1. Messages go to out, or to
// err when MAKE writes the stats file to standard output.
int runVantedit(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, Faults& faults);
// Every message to out.
int runVantedit(std::span<const std::string_view> args, std::ostream& out, Faults& faults);

}  // namespace vantedit
