#include "files/csv_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Lumidraft::files {

char* writeInteger(char* out, long long value) noexcept
{
    return std::to_chars(out, out + maxIntegerText, value).ptr;
}

char* writeUnsigned(char* out, unsigned long long value) noexcept
{
    return std::to_chars(out, out + maxIntegerText, value).ptr;
}

void appendInteger(std::string& out, long long value)
{
    char text[maxIntegerText];
    out.append(text, writeInteger(text, value));
}

namespace {

constexpr double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// m·10^-k, with at least one digit before the point (0.005).
char* writeDecimal(char* out, bool negative, unsigned long long m, int k) noexcept
{
    char digits[24];
    const int n = static_cast<int>(std::to_chars(digits, digits + sizeof digits, m).ptr - digits);
    if (negative)
        *out++ = '-';
    if (n <= k) {
        *out++ = '0';
        *out++ = '.';
        for (int zero = n; zero < k; ++zero)
            *out++ = '0';
        std::memcpy(out, digits, static_cast<std::size_t>(n));
        return out + n;
    }
    std::memcpy(out, digits, static_cast<std::size_t>(n - k));
    out += n - k;
    if (k > 0) {
        *out++ = '.';
        std::memcpy(out, digits + n - k, static_cast<std::size_t>(k));
        out += k;
    }
    return out;
}

// Most data are short decimals (0.25, 512.3, 45): the fewest decimals k for which an integer m
// gives m / 10^k == value. m below 2^53 and 10^k are exact and the division is correctly
// rounded, so m / 10^k is the double nearest the decimal m·10^-k, which is what reading the
// text back gives: the text round-trips, and it is the shortest fixed form, as the general
// conversion writes it. Much cheaper than that conversion, which takes the other values
// (those with more than maxShortDecimals decimals, like 0.7853981633974483).
constexpr int maxShortDecimals = 8;

char* writeShortDecimal(char* out, double value) noexcept
{
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-3 && magnitude < 1e15))
        return nullptr;
    if (magnitude < 1e7) {
        // One try settles it: when m / 10^k == value for some k <= 8, then M = m·10^(8-k) gives
        // M / 10^8 == value too, and the product below is within 0.25 of M (it is under 1e15),
        // so rounding finds M; its trailing zeros give back m and k.
        const double scaled = static_cast<double>(static_cast<long long>(magnitude * 1e8 + 0.5));
        if (scaled / 1e8 != magnitude)
            return nullptr;
        auto m = static_cast<unsigned long long>(scaled);
        int k = maxShortDecimals;
        // Up to eight trailing zeros off, in steps of 8, or of 4, 2 and 1.
        if (m % 100000000 == 0) {
            m /= 100000000, k = 0;
        } else {
            if (m % 10000 == 0)
                m /= 10000, k -= 4;
            if (m % 100 == 0)
                m /= 100, k -= 2;
            if (m % 10 == 0)
                m /= 10, k -= 1;
        }
        return writeDecimal(out, value < 0, m, k);
    }
    for (int k = 0; k <= maxShortDecimals; ++k) {
        const double product = magnitude * powersOfTen[k];
        if (product >= 9007199254740992.0)
            return nullptr;
        const double scaled = static_cast<double>(static_cast<long long>(product + 0.5));
        // The product is within an ulp of m when k is right; skip the division when it is not.
        if (std::fabs(product - scaled) > product * 4.5e-16 || scaled / powersOfTen[k] != magnitude)
            continue;
        return writeDecimal(out, value < 0, static_cast<unsigned long long>(scaled), k);
    }
    return nullptr;
}

} // namespace

char* writeReal(char* out, double value) noexcept
{
    if (char* end = writeShortDecimal(out, value))
        return end;
    return std::to_chars(out, out + maxRealText, value).ptr;
}

void appendReal(std::string& out, double value)
{
    char text[maxRealText];
    out.append(text, writeReal(text, value));
}

char* writeCsvField(char* out, std::string_view text) noexcept
{
    if (!csvNeedsQuotes(text)) {
        if (!text.empty())
            std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    *out++ = '"';
    for (const char c : text) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

bool csvNeedsQuotes(std::string_view text)
{
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\n' || c == '\r')
            return true;
    return false;
}

void appendCsvField(std::string& out, std::string_view text)
{
    if (!csvNeedsQuotes(text)) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendJsonString(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

void appendJsonNumber(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    appendReal(out, value);
}

} // namespace Lumidraft::files
