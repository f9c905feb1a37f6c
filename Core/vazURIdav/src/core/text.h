// Text handling shared by the engine: every caller string and fixed field is
// read up to a bound, and every fixed field is written with its terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zd
{

// Longest caller string the engine reads when the contract gives no size.
constexpr size_t kMaxCallerText = 4096;

// The text of s, at most size bytes (up to the first NUL); empty for null.
std::string boundedText(const char* s, size_t size = kMaxCallerText);

// Bytes of text that fit in maxBytes without cutting a UTF-8 character.
size_t utf8Fit(std::string_view text, size_t maxBytes);

// Length of the first n bytes of s without a trailing, incomplete UTF-8
// character (what remains of a text that vsnprintf cut at n bytes).
size_t utf8CompletePrefix(const char* s, size_t n);

// Copies text into a fixed field of size bytes: cut to fit with its
// terminator, the rest of the field zeroed. Does nothing for size 0.
void copyText(char* field, size_t size, std::string_view text);

// Whether s begins with prefix, letters compared without case (prefix is
// given in lower case).
bool startsWithNoCase(std::string_view s, std::string_view lowerPrefix);

// Four characters in memory order as the little-endian code DEV_CAPACITY uses.
uint32_t fourccFromText(std::string_view text);
// The code as text; unprintable bytes become '?'.
std::string fourccText(uint32_t fourcc);

} // namespace zd
