#include "patch/stats_stream.h"

#include <algorithm>

namespace vantedit {

CellNumber parseWholeNumber(std::string_view cell, std::int64_t& value) {
    const auto blank = [](char c) { return c == ' '; };
    while (!cell.empty() && blank(cell.front())) cell.remove_prefix(1);
    while (!cell.empty() && blank(cell.back())) cell.remove_suffix(1);
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') {
        cell = cell.substr(1, cell.size() - 2);
        while (!cell.empty() && blank(cell.front())) cell.remove_prefix(1);
        while (!cell.empty() && blank(cell.back())) cell.remove_suffix(1);
    }
    if (cell.empty()) return CellNumber::Empty;
    const bool negative = cell.front() == '-';
    if (cell.front() == '-' || cell.front() == '+') cell.remove_prefix(1);
    if (cell.empty()) return CellNumber::NotWhole;
    std::uint64_t magnitude = 0;
    bool large = false;
    for (char c : cell) {
        if (c < '0' || c > '9') return CellNumber::NotWhole;
        if (magnitude > 0xFFFFFFFFu) {
            large = true;  // the digits still have to be digits
            continue;
        }
        magnitude = magnitude * 10u + static_cast<std::uint64_t>(c - '0');
    }
    if (large || magnitude > (negative ? 0x80000000u : 0xFFFFFFFFu)) return CellNumber::TooLarge;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return CellNumber::Number;
}

int StatsStream::get() {
    if (pushedBack_ != kEnd) {
        const int c = pushedBack_;
        pushedBack_ = kEnd;
        return c;
    }
    if (position_ >= bytes_.size()) return kEnd;
    const auto c = static_cast<unsigned char>(bytes_[position_++]);
    if (c == '\r') {
        std::size_t next = position_;
        while (next < bytes_.size() && bytes_[next] == '\r') ++next;
        if (next < bytes_.size() && bytes_[next] == '\n') {
            position_ = next + 1;
            return '\n';
        }
    }
    return c;
}

int StatsStream::getInQuotes() {
    if (pushedBack_ != kEnd) return get();
    if (position_ >= bytes_.size()) return kEnd;
    const auto c = static_cast<unsigned char>(bytes_[position_++]);
    if (c == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
        ++position_;
        return '\n';
    }
    return c;
}

std::int64_t StatsStream::lineOf(const Mark& m) const {
    const auto before = std::count(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(m.position), '\n');
    return 1 + before - (m.pushedBack == '\n' ? 1 : 0);
}

void StatsStream::unget(int c) {
    if (c != kEnd) pushedBack_ = c;
}

bool StatsStream::onlyWhiteSpaceLeft() {
    if (pushedBack_ != kEnd && !isWhiteSpace(pushedBack_)) return false;
    for (std::size_t at = position_; at < bytes_.size(); ++at) {
        if (!isWhiteSpace(static_cast<unsigned char>(bytes_[at]))) return false;
    }
    return true;
}

NumberRead StatsStream::readNumber(std::int32_t& value) {
    int c = get();
    while (isWhiteSpace(c)) c = get();
    if (c == kEnd) return NumberRead::EndOfFile;

    const bool negative = c == '-';
    if (c == '-' || c == '+') c = get();
    if (c < '0' || c > '9') {
        unget(c);
        return NumberRead::NotANumber;
    }
    std::uint32_t magnitude = 0;
    while (c >= '0' && c <= '9') {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(c - '0');
        c = get();
    }
    unget(c);
    if (negative) magnitude = 0u - magnitude;
    value = static_cast<std::int32_t>(magnitude);
    return NumberRead::Number;
}

CellText StatsStream::readCell(std::size_t keep) {
    CellText cell;
    for (;;) {
        const int c = get();
        if (c == '\t') return cell;
        if (c == '\n' || c == kEnd) {
            unget(c);
            return cell;
        }
        if (cell.text.size() < keep) {
            cell.text.push_back(static_cast<char>(c));
        } else {
            cell.cut = true;
        }
    }
}

CellText StatsStream::readWord(std::size_t keep) {
    CellText word;
    int c = get();
    while (isWhiteSpace(c)) c = get();
    while (c != kEnd && !isWhiteSpace(c)) {
        if (word.text.size() < keep) {
            word.text.push_back(static_cast<char>(c));
        } else {
            word.cut = true;
        }
        c = get();
    }
    unget(c);
    return word;
}

bool StatsStream::skipUtf8Mark() {
    if (position_ != 0 || !std::string_view(bytes_).starts_with("\xEF\xBB\xBF")) return false;
    position_ = 3;
    return true;
}

std::string_view StatsStream::rest() const { return std::string_view(bytes_).substr(position_); }

std::string_view StatsStream::peekLine() const {
    const std::string_view unread = rest();
    return unread.substr(0, unread.find('\n'));
}

}  // namespace vantedit
