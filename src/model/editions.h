// The seven known builds of the game executable and where their tables lie.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/byte_view.h"
#include "model/code_pages.h"

namespace vantedit {

struct Edition {
    int number;  // the row's place in the table: 0 to 6
    std::string_view label;
    std::string_view itemDescPath;
    std::string_view shopDescPath;  // empty: the edition has no shop description file
    std::array<std::uint32_t, 4> headerWords;  // the 16 bytes at offset 128, big-endian words
    std::int32_t fileSize;
    std::int32_t weaponAttachOffset;
    std::int32_t attachOffset;
    std::int32_t ammoAttachOffset;
    std::int32_t excludeOffset;
    std::int32_t combine2Offset;
    std::int32_t combine3Offset;
    std::int32_t convertWeaponOffset;
    std::int32_t convertAmmoOffset;
    std::int32_t listEnd;
    std::int32_t ammoNameSecondOffset;
    std::int32_t ammoNameFirstOffset;
    std::int32_t soundNameOffset;
    std::int32_t burstNameOffset;
    std::int32_t ammoNameCount;
    std::int32_t ammoNameFirstCount;
    std::int32_t attachCapacity;  // records of the weapon attachment table
    CodePage codePage;            // of the names and descriptions

    bool hasShopFile() const { return !shopDescPath.empty(); }
};

inline constexpr int kEditionCount = 7;
inline constexpr std::int32_t kHeaderWordsOffset = 128;
inline constexpr std::size_t kHeaderWordsSize = 16;

inline constexpr std::string_view kItemDescFile = "data/binarydata/itemdesc.edt";
inline constexpr std::string_view kItemDesc25File = "data/binarydata/itmdsc25.edt";
inline constexpr std::string_view kShopDescFile = "data/binarydata/hvkdesc.edt";

// Cyrillic in the Russian editions, Western European in the others.
inline constexpr CodePage kCp1251 = CodePage::Windows1251;
inline constexpr CodePage kCp1252 = CodePage::Windows1252;

// clang-format off
inline constexpr std::array<Edition, kEditionCount> kEditions = {{
//  #    label                       itemDescPath     shopDescPath   headerWords                                                fileSize  weaponAtt  attach     ammoAtt    exclude    combine2   combine3   convWeap   convAmmo   listEnd    ammoName2  ammoName1  soundName  burstName  cnt first   cap  codePage
    {0, "Quelvar Deluxe (Russian)", kItemDesc25File, "",            {0x992E108D, 0xDD4F7EDE, 0xDD4F7EDE, 0xDD4F7EDE}, 3052544, 0x23E194, 0x23E520, 0x23E594, 0x23E5C8, 0x23E628, 0x23E7D0, 0x23E800, 0x23E84C, 0x23E868, 0x240B48, 0x240E68, 0x2648E4, 0x23F18C, 20, 17, 227, kCp1251},
    {1, "Deluxe (Russian)",         kItemDescFile,   kShopDescFile, {0xBDCCA47C, 0xF9ADCA2F, 0xF9ADCA2F, 0xF9ADCA2F}, 2830848, 0x223014, 0x2232EC, 0x22335C, 0x223388, 0x2233E8, 0x223590, 0x2235B8, 0x223604, 0x223620, 0x225A64, 0x225D0C, 0x24EBD4, 0x223F0C, 17, 17, 182, kCp1251},
    {2, "Deluxe",                   kItemDescFile,   kShopDescFile, {0xDA1CB8E3, 0x9E7DD6B0, 0x9E7DD6B0, 0x9E7DD6B0}, 2748447, 0x223004, 0x2232DC, 0x22334C, 0x223378, 0x2233D8, 0x223580, 0x2235A8, 0x2235F4, 0x223610, 0x225B1C, 0x225DC4, 0x24EC8C, 0x223EFC, 17, 17, 182, kCp1252},
    {3, "Preview (German)",         kItemDescFile,   kShopDescFile, {0x03283275, 0x47495C26, 0x47495C26, 0x47495C26}, 4213811, 0x35056C, 0x350844, 0x3508B4, 0x3508E0, 0x350940, 0x350AE8, 0x350B10, 0x350B5C, 0x350B78, 0x354740, 0x3549E8, 0x37F838, 0x3519D4, 17, 17, 182, kCp1252},
    {4, "Standard (Russian)",       kItemDescFile,   kShopDescFile, {0x50450000, 0x4C010500, 0xFAA87337, 0x00000000}, 2439168, 0x203420, 0x2036F8, 0x203768, 0x203798, 0x2037F8, 0x203998, 0x2039C0, 0x203A10, 0x203A30, 0x205DA8, 0x206050, 0x22CD90, 0x204578, 17, 17, 182, kCp1251},
    {5, "Quelvar",                  kItemDesc25File, "",            {0x7AA7AC3F, 0x3EC6C26C, 0x3EC6C26C, 0x3EC6C26C}, 2940962, 0x23C134, 0x23C4C0, 0x23C534, 0x23C568, 0x23C5D8, 0x23C780, 0x23C7B0, 0x23C7FC, 0x23C818, 0x23EB5C, 0x23EE7C, 0x2628F8, 0x23D13C, 20, 17, 227, kCp1252},
    {6, "Quelvar (Russian)",        kItemDesc25File, "",            {0xAF1A048D, 0xEB7B6ADE, 0xEB7B6ADE, 0xEB7B6ADE}, 2936866, 0x23C134, 0x23C4C0, 0x23C534, 0x23C568, 0x23C5D8, 0x23C780, 0x23C7B0, 0x23C7FC, 0x23C818, 0x23EB5C, 0x23EE7C, 0x261738, 0x23D13C, 20, 17, 227, kCp1251},
}};
// clang-format on

// The edition's row number in the table, 0 to 6.
constexpr int editionIndex(const Edition& edition) { return edition.number; }

consteval bool editionsNumberedInOrder() {
    for (std::size_t i = 0; i < kEditions.size(); ++i) {
        if (kEditions[i].number != static_cast<int>(i)) return false;
    }
    return true;
}
static_assert(editionsNumberedInOrder());

// The 16 bytes read at offset 128, compared word by word as big-endian numbers.
constexpr bool headerWordsMatch(const Edition& edition, ByteView header) {
    if (header.size() < kHeaderWordsSize) return false;
    for (std::size_t w = 0; w < edition.headerWords.size(); ++w) {
        const std::size_t at = 4 * w;
        const std::uint32_t word = (std::uint32_t{header.u8(at)} << 24) | (std::uint32_t{header.u8(at + 1)} << 16) |
                                   (std::uint32_t{header.u8(at + 2)} << 8) | std::uint32_t{header.u8(at + 3)};
        if (word != edition.headerWords[w]) return false;
    }
    return true;
}

}  // namespace vantedit
