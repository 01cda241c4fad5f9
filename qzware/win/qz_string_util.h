// Shared text routines: character-aware slicing, length, search and replace
// over UTF-8 byte strings (the script API's SJIS_ family), bounded formatting
// and scanning, UTF-8 / UTF-16 / UTF-32 conversion and a time difference.
// Slice and replace results hold at most 1023 bytes, cut at a character
// boundary. Debug output goes through platform/debug.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32/win32_time.h"

// Longest result of SjisSlice and SjisReplace, in bytes.
constexpr std::size_t kQzSjisWorkBytes = 1023;
// Longest result of QzFormatString, in bytes.
constexpr std::size_t kQzFormatStringBytes = 65534;

// [SECTION] Character-aware routines (offsets and lengths in bytes)
// Up to `length` bytes of `text` from byte `start`. Empty for a null text, a
// negative or past-the-end start, or a length of 0 or less.
std::string SjisSlice(const char* text, std::int32_t start, std::int32_t length);
// Two per character, one-byte or multi-byte alike (abc gives 6). An invalid
// byte counts as a character of its own.
std::int32_t SjisStrlen(const char* text);
// Byte offset of the first match of `pattern` at a character start at or
// after byte `start`, or -1. An empty pattern matches at `start`. A negative
// or past-the-end start gives -1.
std::int32_t SjisFind(const char* text, std::int32_t start, const char* pattern);
// Every `from` replaced by `to`, left to right, without rescanning what was
// put in. An empty `from` leaves the text as it is.
std::string SjisReplace(const char* text, const char* from, const char* to);

// [SECTION] Formatting and scanning
// printf into `buffer`; false (and "Buffer OverFlow at OutputLog!\n" to the
// debug output) when the text did not fit; the buffer then holds its start.
bool QzFormatToBuffer(char* buffer, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// printf into a string of at most kQzFormatStringBytes; empty (and the
// overflow line) when longer.
std::string QzFormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string QzFormatStringV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// sscanf; -1 without scanning when the text or the format is null or empty.
std::int32_t QzScanString(const char* text, const char* format, ...)
    __attribute__((format(scanf, 2, 3)));

// [SECTION] Unicode conversion
// Conversions stop at the first NUL. A byte that does not start a valid UTF-8
// sequence (overlong, surrogate, past U+10FFFF, cut short) becomes U+FFFD and
// decoding goes on at the next byte; lone surrogates and values that are not
// code points become U+FFFD too.
// One UTF-8 sequence from the n bytes at p: its code point, or -1 when p does
// not start a whole shortest-form sequence of a code point outside the
// surrogates and at most U+10FFFF. *length gets the bytes taken: the
// sequence's, or 1 for anything invalid, so a walk always moves on.
std::int32_t QzDecodeUtf8Sequence(const unsigned char* p, std::size_t n, std::size_t* length);
// wchar_t holds UTF-32 here: one element per code point.
std::wstring QzUtf8ToWide(const std::string& text);
std::u16string QzUtf8ToUtf16(const std::string& text);
std::string QzWideToUtf8(const std::wstring& text);
std::string QzUtf16ToUtf8(const std::u16string& text);
// The text-entry window's wide text as UTF-8; empty for an empty text.
std::string QzInputTextToUtf8(const std::u16string& text);

// [SECTION] Time
// b - a in 100-nanosecond units (FILETIME ticks), wrapping like any u64 when
// b is earlier. 0 when either time is not a valid date and time.
std::uint64_t QzSystemTimeDiff(const platform::win32::SYSTEMTIME& a,
                               const platform::win32::SYSTEMTIME& b);
