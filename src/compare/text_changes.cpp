#include "compare/text_changes.h"

#include "model/stats_fields.h"

namespace vantedit {

TextChanges takeChangedTexts(Game& game, const Game& edited) {
    TextChanges changes;
    for (std::int32_t item = 0; item < kItemCount; ++item) {
        for (std::size_t cell = 0; cell < kItemCells.size(); ++cell) {
            const FieldRef field = itemField(item, cell);
            if (kItemCells[cell].kind != CellKind::Text || !fieldShown(game, field)) continue;
            const FieldValue after = readField(edited, field);
            if (readField(game, field) == after) continue;
            // Storing one field never changes what another one shows: each ends in its own units.
            storeField(game, field, after);
            ++changes.fields;
            (descField(kItemCells[cell]).file == DescFile::Item ? changes.itemFile : changes.shopFile) = true;
        }
    }
    return changes;
}

std::int64_t countChangedTexts(Game& game, DescriptionBuffers& other) {
    // Byte for byte the same buffers show the same texts: most files change none.
    if (game.descriptions.item == other.item && game.descriptions.shop == other.shop) return 0;
    std::int64_t changed = 0;
    for (std::int32_t item = 0; item < kItemCount; ++item) {
        for (std::size_t cell = 0; cell < kItemCells.size(); ++cell) {
            const FieldRef field = itemField(item, cell);
            if (kItemCells[cell].kind != CellKind::Text || !fieldShown(game, field)) continue;
            const FieldValue now = readField(game, field);
            std::swap(game.descriptions, other);
            const bool differs = readField(game, field) != now;
            std::swap(game.descriptions, other);
            changed += differs ? 1 : 0;
        }
    }
    return changed;
}

}  // namespace vantedit
