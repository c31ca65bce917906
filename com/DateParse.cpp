// Date text to the automation date, by the rules of a script's date conversion.
#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

#include "com/DateParse.h"

namespace vexo::com {
namespace {

struct Token {
    enum Kind { Number, Word, Colon } kind;
    int64_t value = 0;   // a number's value, or a month 1-12, or 13 for AM and 14 for PM
    size_t digits = 0;
};

constexpr int64_t kAm = 13, kPm = 14;

// A month's English name or its first three letters; AM and PM; else 0.
int64_t WordValue(const std::string& w) {
    static const char* const months[] = {"january", "february", "march",     "april",   "may",      "june",
                                         "july",    "august",   "september", "october", "november", "december"};
    if (w == "am") return kAm;
    if (w == "pm") return kPm;
    for (int m = 0; m < 12; ++m) {
        const std::string full = months[m];
        if (w == full || (w.size() == 3 && full.compare(0, 3, w) == 0)) return m + 1;
    }
    return 0;
}

// Numbers, words and colons; spaces and the separators / - . , between the
// parts of a date are dropped. False for any other character or word, and
// for a separator that does not stand between two parts.
bool Tokenize(const std::string& s, std::vector<Token>& out) {
    bool separated = true;  // at the start, or just after a separator or colon
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (std::isdigit(c)) {
            Token t{Token::Number};
            for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++t.digits)
                if (t.value < 100000) t.value = t.value * 10 + (s[i] - '0');
            out.push_back(t);
            separated = false;
        } else if (std::isalpha(c)) {
            std::string w;
            for (; i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])); ++i)
                w += char(std::tolower(static_cast<unsigned char>(s[i])));
            const int64_t v = WordValue(w);
            if (v == 0) return false;
            out.push_back({Token::Word, v});
            separated = false;
        } else if (c == ':') {
            out.push_back({Token::Colon});
            separated = true;
            ++i;
        } else if (c == '/' || c == '-' || c == '.' || c == ',') {
            if (separated) return false;
            separated = true;
            ++i;
        } else if (c == ' ' || c == '\t') {
            ++i;
        } else {
            return false;
        }
    }
    return !separated;
}

// Days from 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

int64_t DaysInMonth(int64_t y, int64_t m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

}  // namespace

HRESULT DateFromText(const std::string& text, double& out) {
    std::vector<Token> t;
    if (!Tokenize(text, t) || t.empty()) return DISP_E_TYPEMISMATCH;

    // The time: hours, a colon and minutes, perhaps seconds, perhaps AM or
    // PM; or hours with AM or PM alone.
    int64_t seconds = -1;
    std::vector<Token> date;
    for (size_t i = 0; i < t.size(); ++i) {
        const bool clock = i + 2 < t.size() && t[i].kind == Token::Number && t[i + 1].kind == Token::Colon &&
                           t[i + 2].kind == Token::Number;
        const bool bare = i + 1 < t.size() && t[i].kind == Token::Number && t[i + 1].kind == Token::Word &&
                          t[i + 1].value >= kAm;
        if (seconds >= 0 || !(clock || bare)) {
            date.push_back(t[i]);
            continue;
        }
        int64_t h = t[i].value, m = 0, s = 0;
        size_t j = i + 1;
        if (clock) {
            m = t[i + 2].value;
            j = i + 3;
            if (j + 1 < t.size() && t[j].kind == Token::Colon && t[j + 1].kind == Token::Number)
                s = t[j + 1].value, j += 2;
        }
        if (j < t.size() && t[j].kind == Token::Word && t[j].value >= kAm) {
            if (h < 1 || h > 12) return DISP_E_TYPEMISMATCH;
            h = h % 12 + (t[j].value == kPm ? 12 : 0);
            ++j;
        }
        if (h > 23 || m > 59 || s > 59) return DISP_E_TYPEMISMATCH;
        seconds = h * 3600 + m * 60 + s;
        i = j - 1;
    }

    int64_t day = 0;
    if (!date.empty()) {
        std::vector<Token> nums;
        int64_t month = 0;
        for (const Token& k : date) {
            if (k.kind == Token::Colon || (k.kind == Token::Word && (k.value >= kAm || month)))
                return DISP_E_TYPEMISMATCH;
            if (k.kind == Token::Word) month = k.value;
            else nums.push_back(k);
        }
        int64_t y = 0, m = 0, d = 0;
        size_t yearDigits = 0;
        if (month && nums.size() == 2) {
            // "8 December 2026", "December 8, 2026"; "2026 December 8".
            const bool yearFirst = nums[0].digits > 2;
            y = nums[yearFirst ? 0 : 1].value, yearDigits = nums[yearFirst ? 0 : 1].digits;
            m = month, d = nums[yearFirst ? 1 : 0].value;
        } else if (!month && nums.size() == 3 && nums[0].digits > 2) {
            y = nums[0].value, yearDigits = nums[0].digits, m = nums[1].value, d = nums[2].value;
        } else if (!month && nums.size() == 3) {
            m = nums[0].value, d = nums[1].value, y = nums[2].value, yearDigits = nums[2].digits;
            // A month that cannot be one is the day written first.
            if (m > 12 && d <= 12) std::swap(m, d);
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        if (yearDigits <= 2) y += y < 30 ? 2000 : 1900;
        if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return DISP_E_TYPEMISMATCH;
        day = DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30);
    }
    // Before day 0 the time of day still counts away from it: -1.25 is
    // 29 December 1899, 6 AM.
    const double time = seconds > 0 ? double(seconds) / 86400.0 : 0.0;
    out = day < 0 ? double(day) - time : double(day) + time;
    return S_OK;
}

}  // namespace vexo::com
