// What a save can do to a text cell that the game's own text shows was not typed: letters a
// code page could not hold turned into question marks, a number a spreadsheet took for a date.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/code_pages.h"

namespace vantedit {

enum class TextDamage : std::uint8_t {
    None,
    QuestionMarks,  // ? or _ where held has a letter, every other character as held has it
    Date,           // held is a number or fraction (7.62, 1/2), the cell a date (07.Jun, 2024-01-02)
};

// The cell's text against held, what MAKE writes for the cell; both in the code page.
TextDamage textDamage(std::string_view cell, std::string_view held, CodePage page);

}  // namespace vantedit
