// The numbers a reading took from the stats file, field by field, before their low bits were
// stored: what the file asked for, so that a comparison can tell a number that did not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>

namespace vantedit {

struct ReadNumbers {
    // (item, index in kColumns) -> the last number read for that cell.
    std::map<std::pair<std::int32_t, std::size_t>, std::int32_t> stats;
    // (index in kNumericLists, record, value counted from 0) -> the last number read.
    std::map<std::tuple<std::size_t, std::int32_t, int>, std::int32_t> lists;
};

}  // namespace vantedit
