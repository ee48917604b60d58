// A synthetic game for tests and demonstrations: an executable of an edition's exact size
// with plausible tables, and its description files. Nothing here comes from the real game.
//
// What a game holds (the same options give the same bytes on every platform):
// - random bytes everywhere, then the edition's header words at offset 128;
// - every record of every stat section filled. The first three records of each section are
//   fixed: record firstItem holds the largest bytes (every byte 0xFF, so 255, 65535 or -1),
//   record firstItem + 1 only top bits (0x80, 0x8000: 128, 32768, -128 or -32768), record
//   firstItem + 2 zeros. Where two sections of an edition share bytes, the later section's
//   values stand;
// - every record of the seven numeric lists: 0, 65535, item numbers and other 16-bit values;
// - the weapon attachment table: pairs of the eight attachment kinds for weapons 0 to the
//   Weapons lastItem, in no particular order, among them these fixed odd records:
//     kSwappedPair...      weapon 1 and the Silencer with the words swapped (weapon first);
//                          the same pair the right way round is not in the table;
//     kForeignAttachments  three pairs whose attachment is none of the eight kinds;
//     two pairs of a kind for weapons beyond the Weapons section (lastItem + 1, and 200);
//   then, up to the table's end, copies of the last pair (an eight-kind pair);
// - AmmoName texts of 1 to 19 printable characters, sound names of up to 40 and burst names
//   of up to 14, a few of them empty; description fields with short names and descriptions,
//   some empty. Every character unit's high byte (AmmoName) or second byte (descriptions) is
//   non-zero, and the bytes after each terminator are non-zero junk.
// Without awkwardTexts every text survives MAKE then PATCH unchanged: printable ASCII with no
// double quote, never a stored description byte 33, lengths within their records.
//
// With awkwardTexts, the same game with the texts of awkwardTexts(edition) written over their
// slots (the rest of the game is byte for byte the same):
//   Description slots, by item and field:
//     1 Short Name        "\"Boss\" Pistol"                starts with a double quote
//     1 Long Name         "Pistol \"Mk\" 2"                double quotes inside
//     1 Description       "Fires fast.\tReloads slow."     a tab
//     2 Short Name        "\""                             a lone double quote
//     2 Long Name         "Carriage\rReturn"               a carriage return
//     2 Description       "First line.\nSecond line."      a line feed
//     3 Short Name        "Quote at end\""                 ends with a double quote
//     3 Long Name         "Caf\xE9 \xC0\xFE\x80"           bytes above 127
//     4 every field       ""                               empty
//     7 Description       "Two lines,\r\nthe DOS way.\r\n"  line breaks as CR LF
//     5 Description       240 characters, no terminator    fills its field
//     6 Short Name        80 characters, no terminator     runs up to the Long Name
//     350 Description     240 characters, no terminator    ends at the end of the buffer
//   and in editions with a shop file:
//     1 Halvek's Name     "\"Halvek's\" Pick"              starts with a double quote
//     2 Halvek's Desc.    tab, line feed, quote, byte 0xE9
//     7 Halvek's Desc.    CR LF twice, double quotes
//     5 Halvek's Desc.    320 characters, no terminator
//   Second AmmoName table, by record: 1 "\"Hot\" Load", 2 "9mm\tFMJ", 3 "12ga\nSlug", 4 "",
//     5 twenty characters with no terminator, 6 "Incend\rRound";
//   first AmmoName table: 1 "7.62\xB0mm", 2 "5.56 \"NATO\"";
//   sound names, by record: 1 "\"quoted\".wav", 2 tab, 3 line feed, 4 carriage return,
//     5 bytes above 127 (0xFC, 0xFF), 6 255 characters with no terminator, 7 "";
//   burst names, by record: 1 "\"b\"urst", 2 tab, 3 line feed, 4 carriage return,
//     5 bytes above 127 (0xE4, 0xFF), 6 15 characters with no terminator, 7 "".
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/game.h"

namespace vantedit::synth {

struct Options {
    int edition = 0;
    std::uint32_t seed = 1;
    bool awkwardTexts = false;  // double quotes, tabs, line feeds, bytes above 127, empty texts, unterminated slots
};

struct SyntheticGame {
    int edition = 0;
    std::vector<std::uint8_t> executable;  // exactly the edition's fileSize
    std::vector<std::uint8_t> itemDesc;    // 280800 bytes
    std::vector<std::uint8_t> shopDesc;    // 280800 bytes, or empty when the edition has no shop file
};

// Deterministic: the same options always give the same bytes. An edition outside 0 to 6
// gives a game with no bytes at all.
SyntheticGame makeSyntheticGame(const Options& options);

// Writes <folder>/<exeName> and the description files under <folder>/data/binarydata/
// (the shop file only where the edition names one). Creates the folders. False on failure.
bool writeGameFolder(const SyntheticGame& game, const std::filesystem::path& folder,
                     const std::string& exeName = "game.exe");

// The same game as an in-memory run state, with the description buffers already loaded.
Game toGame(const SyntheticGame& game);

// The odd records of the weapon attachment table (see above), the same in every game.
inline constexpr std::int32_t kSwappedPairWeapon = 1;
inline constexpr std::int32_t kSwappedPairAttachment = 207;  // the Silencer
inline constexpr std::array<std::int32_t, 3> kForeignAttachments = {206, 242, 300};
inline constexpr std::int32_t kFarWeapon = 200;  // with lastItem + 1, a weapon beyond the section

enum class TextSlot : std::uint8_t { Description, AmmoNameFirst, AmmoNameSecond, Sound, Burst };

// One awkward text and where it lies.
struct AwkwardText {
    TextSlot slot;
    int record;        // the item for a description; the table's record number otherwise
    int field;         // index into kDescFields for a description; 0 otherwise
    std::string text;  // as MAKE shows it: for descriptions the bytes before the stored shift
    bool terminated;   // false: the text fills its whole slot and no terminator follows
};

// The awkward texts of an edition's game, in the order they are written (shop fields only
// where the edition has a shop file).
std::vector<AwkwardText> awkwardTexts(int edition);

}  // namespace vantedit::synth
