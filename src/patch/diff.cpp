#include "patch/diff.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "model/attachments.h"
#include "model/descriptions.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/text.h"

namespace vantedit {

namespace {

// A stat cell: an item and the index of its column in kColumns.
using Cell = std::pair<std::int32_t, std::size_t>;

// The range MAKE can print for the column: what a number must lie in to be stored as typed.
bool fitsColumn(ColumnKind kind, std::int32_t v) {
    switch (kind) {
        case ColumnKind::U8: return v >= 0 && v <= 0xFF;
        case ColumnKind::S8: return v >= -0x80 && v <= 0x7F;
        case ColumnKind::U16: return v >= 0 && v <= 0xFFFF;
        case ColumnKind::S16: return v >= -0x8000 && v <= 0x7FFF;
    }
    return false;
}

// The first cell, in stats file order, of another section whose bytes overlap this cell's.
// Sections never overlap themselves, so only the other sections' spans are searched.
std::optional<Cell> sharingCell(const Edition& e, Cell cell) {
    const Column& own = kColumns[cell.second];
    const std::int64_t start = valueOffset(sectionRecord(e, own.section), own, cell.first);
    const std::int64_t end = start + columnWidth(own.kind);
    std::optional<Cell> found;
    for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
        const Column& c = kColumns[ci];
        if (c.section == own.section) continue;
        const SectionRecord s = sectionRecord(e, c.section);
        for (std::int64_t at = start; at < end; ++at) {
            const std::int32_t item = itemAtOffset(s, at);
            if (item < 0) continue;
            const std::int64_t from = valueOffset(s, c, item);
            if (at < from || at >= from + columnWidth(c.kind)) continue;
            if (!found || Cell{item, ci} < *found) found = Cell{item, ci};
        }
    }
    return found;
}

class DiffWriter {
public:
    DiffWriter(const Game& before, const Game& after, const ReadNumbers& numbers)
        : before_(before), after_(after), numbers_(numbers), e_(before.edition()) {}

    GameDiff run() {
        for (std::int32_t item = 0; item < kItemCount; ++item) {
            descriptions(item);
            stats(item);
        }
        lists();
        ammoNames();
        names(kSoundNames);
        names(kBurstNames);
        attachments();
        result_.lines = out_.text();
        result_.mostValuesDiffer = 2 * statsDiffering_ > statsGiven_;
        return std::move(result_);
    }

private:
    void descriptions(std::int32_t item) {
        for (const DescField& field : kDescFields) {
            if (field.file == DescFile::Shop && !before_.descriptions.hasShop) continue;
            const std::string now = readDescriptionText(before_.descriptions.view(field.file), item, field);
            const std::string then = readDescriptionText(after_.descriptions.view(field.file), item, field);
            if (now == then) continue;
            out_ << "Item " << item << '\t' << field.heading << '\t' << quotedText(now) << '\t' << quotedText(then)
                 << "\tnot saved\n";
            ++result_.notSaved;
        }
    }

    void stats(std::int32_t item) {
        for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
            const Column& c = kColumns[ci];
            const SectionRecord s = sectionRecord(e_, c.section);
            if (!sectionHoldsItem(s, item)) continue;
            const std::int32_t now = readColumnValue(before_.image(), s, c, item);
            const std::int32_t then = readColumnValue(after_.image(), s, c, item);
            const auto given = numbers_.stats.find({item, ci});
            if (given != numbers_.stats.end()) {
                ++statsGiven_;
                if (now != then) ++statsDiffering_;
            }
            if (now == then || reported_.contains({item, ci})) continue;
            out_ << "Item " << item << '\t' << c.heading << '\t' << now << '\t' << then;
            std::string_view separator = "\t";
            if (given != numbers_.stats.end() && !fitsColumn(c.kind, given->second)) {
                out_ << separator << "typed " << given->second;
                separator = "; ";
            }
            if (const std::optional<Cell> other = sharingCell(e_, {item, ci})) {
                // The other field shows the same bytes: it is this change, not one of its own.
                reported_.insert(*other);
                out_ << separator << "shared with Item " << other->first << ' ' << kColumns[other->second].heading;
            }
            out_ << '\n';
            ++result_.changedValues;
        }
    }

    void lists() {
        for (std::size_t li = 0; li < kNumericLists.size(); ++li) {
            const NumericList& list = kNumericLists[li];
            for (std::int32_t r = 0; r < listRecordCount(e_, list); ++r) {
                for (int v = 0; v < listValueCount(list); ++v) {
                    const std::uint16_t now = readListValue(before_.image(), e_, list, r, v);
                    const std::uint16_t then = readListValue(after_.image(), e_, list, r, v);
                    if (now == then) continue;
                    out_ << list.keyword << ' ' << r << "\tvalue " << v + 1 << '\t' << now << '\t' << then;
                    const auto given = numbers_.lists.find({li, r, v});
                    if (given != numbers_.lists.end() && (given->second < 0 || given->second > 0xFFFF)) {
                        out_ << "\ttyped " << given->second;
                    }
                    out_ << '\n';
                    ++result_.changedValues;
                }
            }
        }
    }

    void text(std::string_view keyword, std::int32_t record, std::string_view field, const std::string& now,
              const std::string& then) {
        if (now == then) return;
        out_ << keyword << ' ' << record << '\t' << field << '\t' << quotedText(now) << '\t' << quotedText(then) << '\n';
        ++result_.changedValues;
    }

    void ammoNames() {
        for (std::int32_t r = 0; r < e_.ammoNameCount; ++r) {
            for (AmmoNameText which : {AmmoNameText::First, AmmoNameText::Second}) {
                if (r >= ammoNameRecordCount(e_, which)) continue;
                text("AmmoName", r, which == AmmoNameText::First ? "first text" : "second text",
                     readAmmoNameText(before_.image(), e_, which, r), readAmmoNameText(after_.image(), e_, which, r));
            }
        }
    }

    void names(const NameTable& table) {
        for (std::int32_t r = 0; r < table.count; ++r) {
            text(table.keyword, r, "name", readName(before_.image(), e_, table, r),
                 readName(after_.image(), e_, table, r));
        }
    }

    // The distinct non-zero pairs of the table in the order they first appear: the copies
    // that fill the table's end are not pairs of their own.
    std::vector<std::uint32_t> distinctPairs(const Game& game) const {
        std::vector<std::uint32_t> pairs;
        for (std::int32_t r = 0; r < weaponAttachCapacity(e_); ++r) {
            const std::uint32_t pair = readWeaponAttachRecord(game.image(), e_, r);
            if (pair != 0 && std::find(pairs.begin(), pairs.end(), pair) == pairs.end()) pairs.push_back(pair);
        }
        return pairs;
    }

    void pairLine(std::uint32_t pair, std::string_view change) {
        const std::size_t kind = attachmentKindIndex(pairAttachment(pair));
        out_ << "Attachments\t";
        if (kind != kAttachmentKindCount) {
            out_ << kAttachmentKinds[kind].name;
        } else {
            out_ << "Item " << pairAttachment(pair);
        }
        out_ << '\t' << pairWeapon(pair) << '\t' << change << '\n';
    }

    // Added pairs in their new order, dropped pairs in their old order, then how many of the
    // pairs that stay change their place among the pairs that stay.
    void attachments() {
        const std::vector<std::uint32_t> now = distinctPairs(before_);
        const std::vector<std::uint32_t> then = distinctPairs(after_);
        const auto holds = [](const std::vector<std::uint32_t>& pairs, std::uint32_t p) {
            return std::find(pairs.begin(), pairs.end(), p) != pairs.end();
        };
        std::vector<std::uint32_t> keptNow;
        std::vector<std::uint32_t> keptThen;
        for (std::uint32_t p : then) {
            if (!holds(now, p)) pairLine(p, "added");
            else keptThen.push_back(p);
        }
        for (std::uint32_t p : now) {
            if (!holds(then, p)) pairLine(p, "removed");
            else keptNow.push_back(p);
        }
        std::int64_t moved = 0;
        for (std::size_t i = 0; i < keptNow.size(); ++i) {
            if (keptNow[i] != keptThen[i]) ++moved;
        }
        if (moved > 0) out_ << "Attachments\torder\t" << moved << " pairs move\n";
    }

    const Game& before_;
    const Game& after_;
    const ReadNumbers& numbers_;
    const Edition& e_;
    Messages out_;
    GameDiff result_;
    std::set<Cell> reported_;
    std::int64_t statsGiven_ = 0;
    std::int64_t statsDiffering_ = 0;
};

}  // namespace

GameDiff diffGames(const Game& before, const Game& after, const ReadNumbers& numbers) {
    return DiffWriter(before, after, numbers).run();
}

}  // namespace vantedit
