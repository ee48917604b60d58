#include "synthetic_game.h"

namespace vantedit::synth {

SyntheticGame makeSyntheticGame(const Options& options) {
    SyntheticGame g;
    g.edition = options.edition;
    return g;
}

bool writeGameFolder(const SyntheticGame&, const std::filesystem::path&, const std::string&) { return false; }

Game toGame(const SyntheticGame& game) {
    Game g;
    g.edition = game.edition;
    return g;
}

}  // namespace vantedit::synth
