#include "patch/stats_stream.h"


namespace vantedit {

int StatsStream::get() {
    if (pushedBack_ != kEnd) {
        const int c = pushedBack_;
        pushedBack_ = kEnd;
        return c;
    }
    if (position_ >= bytes_.size()) return kEnd;
    const auto c = static_cast<unsigned char>(bytes_[position_++]);
    if (c == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
        ++position_;
        return '\n';
    }
    return c;
}

void StatsStream::unget(int c) {
    if (c != kEnd) pushedBack_ = c;
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

void StatsStream::skipField() {
    int c = get();
    while (isWhiteSpace(c)) c = get();
    while (c != kEnd && !isWhiteSpace(c)) c = get();
    unget(c);
}

}  // namespace vantedit
