// Loading the game's own files: the executable into the image, the description files into
// their buffers. Each prints its progress and, on failure, its one message.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "model/descriptions.h"
#include "model/editions.h"
#include "model/game.h"
#include "model/memory.h"

namespace vantedit {

// Opens, recognises and reads the executable; nothing after its failure message. openFailed
// tells that the executable could not even be opened (the usage text follows then). Only the
// edition's table span is read (model/table_span.h): no operation uses a byte outside it, and
// PATCH copies the rest from the file as it saves. The image's other bytes stay 0.
std::optional<Game> loadExecutable(const std::string& path, std::ostream& out, bool& openFailed, Faults& faults);

// Where a description file of the edition is read and saved: under the working folder, or else
// beside the executable. Empty, after the message, when the working folder's cannot be looked up.
std::string descriptionPath(std::string_view path, const std::string& executablePath, std::ostream& out);
// The edition's description files (the item file, then the shop file where it has one) added
// to paths, each as descriptionPath finds it; false after the message.
bool addDescriptionPaths(const Edition& edition, const std::string& executablePath, std::ostream& out,
                         std::vector<std::string>& paths);

// Loads both files of the edition; false after a failure message.
// Each file is looked for under the working folder, then under the executable's folder.
bool loadDescriptionFiles(const Edition& edition, DescriptionBuffers& buffers, const std::string& executablePath,
                          std::ostream& out, Faults& faults);

}  // namespace vantedit
