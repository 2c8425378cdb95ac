#pragma once
// Code page 932 as tables, made at build time from the native iconv (web/tools/cp932_table.py).

#include <cstddef>
#include <cstdint>

namespace web {

inline constexpr int Cp932LeadCount = 60;    // 81-9F, E0-FC
inline constexpr int Cp932TrailCount = 189;  // 40-FC

/// The character of each single byte 80-FF; 0 where the byte is none on its own.
extern const uint16_t Cp932SingleBytes[128];
/// The character of each lead and trail byte, by lead then trail; 0 where the pair is none.
extern const uint16_t Cp932Pairs[Cp932LeadCount * Cp932TrailCount];
/// The characters above ASCII that have a code, ascending, and their codes (a pair: lead * 256 +
/// trail; a single byte: the byte).
extern const size_t Cp932EncodedCount;
extern const uint16_t Cp932EncodedCharacters[];
extern const uint16_t Cp932EncodedCodes[];

}  // namespace web
