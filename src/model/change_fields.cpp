#include "model/change_fields.h"

#include <array>

#include "model/text.h"

namespace vantedit {

namespace {

// Whether the cell's heading stands more than once in the row, worked out once.
bool headingRepeats(std::size_t cell) {
    static const std::array<bool, kItemCellCount> repeats = [] {
        std::array<bool, kItemCellCount> r{};
        for (std::size_t a = 0; a < r.size(); ++a) {
            for (std::size_t b = 0; b < r.size(); ++b) {
                r[a] = r[a] || (a != b && fieldLabel(itemField(0, a)) == fieldLabel(itemField(0, b)));
            }
        }
        return r;
    }();
    return repeats[cell];
}

}  // namespace

std::string changeFieldName(const FieldRef& f) {
    std::string label = fieldLabel(f);
    if (kLineTypes[f.line].kind != LineKind::Item || !headingRepeats(f.field)) return label;
    // A spreadsheet counts the columns from 1, "Offset" in the first, the cells after it.
    return label + " (column " + std::to_string(f.field + 2) + ")";
}

std::size_t fieldNamed(std::size_t line, std::string_view name) {
    const std::size_t count = lineFieldCount(line);
    for (std::size_t i = 0; i < count; ++i) {
        const FieldRef f{static_cast<std::uint8_t>(line), static_cast<std::uint16_t>(i), 0};
        if (equalsIgnoringCase(changeFieldName(f), name)) return i;
    }
    return count;
}

std::string changeValueText(const FieldRef& f, const FieldValue& v) {
    const FieldKind kind = fieldKind(f);
    if (kind == FieldKind::Number || kind == FieldKind::Attachment) return std::to_string(v.number);
    return quotedText(v.text);
}

}  // namespace vantedit
