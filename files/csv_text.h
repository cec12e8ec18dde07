// Text pieces of CSV and JSON files: numbers written so they read back exactly, and strings
// quoted as each format requires. They append to a caller's buffer, so a row costs no allocation
// once the buffer has grown to a row's size.
#pragma once

#include <string>
#include <string_view>

namespace Lumidraft::files {

void appendInteger(std::string& out, long long value);
// The shortest text that reads back as the same double ("0.25", "512.3", "1e-300"); NaN and
// the infinities as "nan", "inf" and "-inf".
void appendReal(std::string& out, double value);
// Quoted only when it must be: a comma, a double quote, a line break or a carriage return; a
// double quote inside is doubled.
void appendCsvField(std::string& out, std::string_view text);
bool csvNeedsQuotes(std::string_view text);

// The same into a buffer the caller has made large enough: an integer takes at most
// maxIntegerText characters, a real maxRealText, a text 2 x its length + 2. Each returns the end.
inline constexpr std::size_t maxIntegerText = 21;
inline constexpr std::size_t maxRealText = 32;
char* writeInteger(char* out, long long value) noexcept;
char* writeUnsigned(char* out, unsigned long long value) noexcept;
char* writeReal(char* out, double value) noexcept;
char* writeCsvField(char* out, std::string_view text) noexcept;
// A JSON string literal, with the control characters escaped.
void appendJsonString(std::string& out, std::string_view text);
// A JSON number; NaN and the infinities, which JSON has no number for, become null.
void appendJsonNumber(std::string& out, double value);

} // namespace Lumidraft::files
