#include "patch/patch.h"

namespace vantedit {

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    (void)game;
    (void)executablePath;
    (void)statsPath;
    (void)out;
    return 1;
}

}  // namespace vantedit
