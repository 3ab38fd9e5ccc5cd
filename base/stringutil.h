#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringView>

// Removes leading and trailing tabs, line feeds, carriage returns and blanks.
QString TrimSpace(QStringView text);

// Removes leading and trailing blanks and tabs only.
std::string TrimBlanks(std::string_view text);

// Splits at every separator; empty pieces count, and empty text gives one empty piece.
std::vector<std::string> SplitString(std::string_view text, char separator);

// Reads hexadecimal digits (either letter case, after an optional "0x") up to the first
// other character; no digits give 0.
std::int32_t ParseHex(std::string_view text);

// Reads a leading decimal integer as C's atoi does: white space, an optional sign, digits,
// and 0 when there are none. Values beyond the 32-bit range are clamped to it.
std::int32_t ReadLeadingInteger(std::string_view text);
std::int32_t ReadLeadingInteger(QStringView text);

// printf-style formatting into out, replacing its content, with no length limit.
void FormatString(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Replaces the first occurrence of what in text by by; text is unchanged when what does
// not occur (or is empty).
void ReplaceFirst(std::string& text, std::string_view what, std::string_view by);
