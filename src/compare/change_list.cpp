#include "compare/change_list.h"

#include <algorithm>

namespace vantedit {

namespace {

// Whether the field's bytes are the same in both games, and so its value: the values, whose
// reading decodes texts, are compared only where the bytes differ.
bool sameBytes(const Game& a, const Game& b, const FieldRef& f) {
    const FieldBytes at = fieldBytes(a.edition(), f);
    const std::span<const std::uint8_t> x = storeView(a, at.store).bytes(), y = storeView(b, at.store).bytes();
    if (at.end > x.size() || at.end > y.size()) return false;
    return std::equal(x.begin() + static_cast<std::ptrdiff_t>(at.begin),
                      x.begin() + static_cast<std::ptrdiff_t>(at.end),
                      y.begin() + static_cast<std::ptrdiff_t>(at.begin));
}

}  // namespace

std::vector<FieldChange> listChanges(const Game& before, const Game& after) {
    std::vector<FieldChange> changes;
    forEachField(before.edition(), [&](const FieldRef& f) {
        if (!fieldShown(before, f) || sameBytes(before, after, f)) return;
        FieldValue was = readField(before, f);
        FieldValue now = readField(after, f);
        if (!(was == now)) changes.push_back({f, std::move(was), std::move(now), std::nullopt, std::nullopt});
    });
    return changes;
}

void writeChangeList(std::string& text, std::span<const FieldChange> changes) {
    text += kChangeListHeading;
    for (const FieldChange& c : changes) {
        text += '\n';
        text += lineKeyword(c.field.line);
        text += ' ' + std::to_string(c.field.record) + '\t' + changeFieldName(c.field) + '\t';
        text += changeValueText(c.field, c.before) + '\t' + changeValueText(c.field, c.after);
    }
}

ChangeState judgeChange(const Game& game, const ChangeLine& c, bool backwards) {
    const FieldRef& f = c.field;
    if (!c.known || f.record < 0 || f.record >= lineRecordCount(game.edition(), f.line) || !fieldShown(game, f))
        return ChangeState::NoSuchField;
    const FieldValue held = readField(game, f);
    if (held == (backwards ? c.was : c.now)) return ChangeState::AppliedBefore;
    return held == (backwards ? c.now : c.was) ? ChangeState::Applies : ChangeState::Conflict;
}

}  // namespace vantedit
