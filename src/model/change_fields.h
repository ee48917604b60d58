// The change list: a file of single cells, each with the value it expects and the value it
// sets. Its fields are the stats file's, named as its heading line names them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/stats_fields.h"

namespace vantedit {

inline constexpr std::string_view kChangeListHeading = "Changes\tField\tWas\tNow";

// One line of a change list.
struct ChangeLine {
    FieldRef field;      // the record as written; the field when known
    bool known = false;  // the line's kind has a field of that name
    FieldValue was;
    FieldValue now;
    std::int64_t line = 0;  // counted from 1 at line feeds
    std::string name;       // the field as written
};

// The field's name in a change list: its heading, "value 2", "first text", "name"; a heading
// that stands more than once in an Item row gets the column a spreadsheet shows it in, from 1.
std::string changeFieldName(const FieldRef& f);

// The field of the line type that the name names, in any case; lineFieldCount(line) for none.
std::size_t fieldNamed(std::size_t line, std::string_view name);

// The value as a change list writes it: numbers in decimal, texts always in double quotes.
std::string changeValueText(const FieldRef& f, const FieldValue& v);

}  // namespace vantedit
