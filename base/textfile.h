#pragma once

#include <string>

#include <QString>

#include "base/unknown.h"

// Reads a whole text file into wide text. UTF-16 little-endian with its byte-order mark is
// taken as it is; otherwise a UTF-8 byte-order mark is skipped, valid UTF-8 is read as
// UTF-8 and anything else as Windows-1252. Returns 0, or a negative result code (and no
// text) when the file cannot be opened or read, is not a regular file (see
// OpenRegularFile) or holds more than kMaxTextFileBytes.
HResult ReadTextFile(const std::string& path, QString& text);

// The decoding rules of ReadTextFile applied to bytes already in memory.
QString DecodeText(const char* data, std::size_t size);
