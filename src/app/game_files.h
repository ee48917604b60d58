// Loading the game's own files: the executable into the image, the description files into
// their buffers. Each prints its progress and, on failure, its one message.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "model/descriptions.h"
#include "model/editions.h"
#include "model/game.h"

namespace vantedit {

// How much of the executable a run needs: MAKE only the stretch of its tables, PATCH all of
// it, since it writes the whole file back.
enum class ImageReach { Tables, Whole };

// Opens, recognises and reads the executable; nothing after its failure message. openFailed
// tells that the executable could not even be opened (the usage text follows then). With
// ImageReach::Tables the bytes outside the edition's table span stay 0.
std::optional<Game> loadExecutable(const std::string& path, ImageReach reach, std::ostream& out, bool& openFailed);

// Loads both files of the edition; false after a failure message.
bool loadDescriptionFiles(const Edition& edition, DescriptionBuffers& buffers, std::ostream& out);

}  // namespace vantedit
