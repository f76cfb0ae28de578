#include "services/textforms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

FixedField makeField(std::size_t width) {
    return FixedField{Text(width, '\0')};
}

void assign(FixedField& field, const Text& source) {
    std::size_t width = field.positions.size();
    std::size_t length = std::min(source.size(), width);
    field.positions.assign(source, 0, length);
    field.positions.resize(width, '\0');
}

void assign(FixedField& field, const FixedField& source) {
    assign(field, content(source));
}

void append(FixedField& field, const Text& text) {
    Text joined = content(field) + text;
    assign(field, joined);
}

Text fullText(const FixedField& field) {
    return field.positions;
}

Text content(const FixedField& field) {
    return field.positions.substr(0, field.positions.find('\0'));
}

Text leftText(const Text& text, int count) {
    if (count <= 0)
        return {};
    return text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(count), text.size()));
}

Text rightText(const Text& text, int count) {
    if (count <= 0)
        return {};
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), text.size());
    return text.substr(text.size() - n);
}

Text midText(const Text& text, int start, int count) {
    if (text.empty() || start < 1 || static_cast<std::size_t>(start) > text.size() || count == 0)
        return {};
    std::size_t from = static_cast<std::size_t>(start - 1);
    if (count < 0)
        return text.substr(from);
    return text.substr(from, static_cast<std::size_t>(count));
}

Text spaces(int count) {
    return count <= 0 ? Text{} : Text(static_cast<std::size_t>(count), ' ');
}

int compareText(const Text& a, const Text& b) {
    std::size_t shorter = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < shorter; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

Text unsignedText(std::uint16_t value) {
    return std::to_string(value);
}

Text dateTextOf(const std::tm& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", time.tm_mon + 1, time.tm_mday,
                  time.tm_year + 1900);
    return text;
}

Text timeTextOf(const std::tm& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.tm_hour, time.tm_min, time.tm_sec);
    return text;
}

std::optional<std::tm> utcTimeOf(const Text& seconds) {
    constexpr std::int64_t LAST_SECOND_OF_9999 = 253402300799;
    constexpr std::int64_t SECONDS_A_DAY = 86400;
    if (seconds.empty() || seconds.size() > 12 ||
        !std::all_of(seconds.begin(), seconds.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::int64_t value = std::stoll(seconds);
    if (value > LAST_SECOND_OF_9999)
        return std::nullopt;
    // Days to a civil date, counted from 1 March of year 0 in 400-year eras.
    const std::int64_t day = value / SECONDS_A_DAY + 719468;
    const std::int64_t era = day / 146097;
    const std::int64_t dayOfEra = day - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t secondOfDay = value % SECONDS_A_DAY;
    std::tm time{};
    time.tm_year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0) - 1900);
    time.tm_mon = static_cast<int>(month - 1);
    time.tm_mday = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time.tm_hour = static_cast<int>(secondOfDay / 3600);
    time.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    time.tm_sec = static_cast<int>(secondOfDay % 60);
    return time;
}

std::size_t columnAfter(std::size_t column, const char* bytes, std::size_t count) {
    // memchr keeps the long pieces of the data file cheap to measure.
    const char* const end = bytes + count;
    const char* lastEnd = nullptr;
    for (const char mark : {'\r', '\n'}) {
        for (const char* at = bytes; at < end; ++at) {
            at =
                static_cast<const char*>(std::memchr(at, mark, static_cast<std::size_t>(end - at)));
            if (at == nullptr)
                break;
            if (lastEnd == nullptr || at > lastEnd)
                lastEnd = at;
        }
    }
    return lastEnd == nullptr ? column + count : static_cast<std::size_t>(end - lastEnd - 1);
}

Text zoneFill(std::size_t column) {
    return Text((column / ZONE_WIDTH + 1) * ZONE_WIDTH - column, ' ');
}
