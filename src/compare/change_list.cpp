#include "compare/change_list.h"

#include "model/change_fields.h"

namespace vantedit {

std::vector<FieldChange> listChanges(const Game& before, const Game& after) {
    std::vector<FieldChange> changes;
    forEachField(before.edition(), [&](const FieldRef& f) {
        if (!fieldShown(before, f)) return;
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

}  // namespace vantedit
