#pragma once
// Powers of ten that are exact extended values: 10^0 .. 10^27, every power whose odd part 5^k fits
// a 64-bit mantissa. A product or quotient with one of them is rounded once, so correctly.

#include "scan/uAnsiCharTools.h"

namespace scan {

inline constexpr int ExactPowers = 27;
// Up to 10^22 the powers are exact doubles too; the rest are given by their bits.
inline constexpr Extended PowerOfTen[ExactPowers + 1] = {
    Extended(1e0),  Extended(1e1),  Extended(1e2),  Extended(1e3),  Extended(1e4),
    Extended(1e5),  Extended(1e6),  Extended(1e7),  Extended(1e8),  Extended(1e9),
    Extended(1e10), Extended(1e11), Extended(1e12), Extended(1e13), Extended(1e14),
    Extended(1e15), Extended(1e16), Extended(1e17), Extended(1e18), Extended(1e19),
    Extended(1e20), Extended(1e21), Extended(1e22),
    Extended::FromBits(0x404B, 0xA968163F0A57B400u),  // 1e23
    Extended::FromBits(0x404E, 0xD3C21BCECCEDA100u),  // 1e24
    Extended::FromBits(0x4052, 0x84595161401484A0u),  // 1e25
    Extended::FromBits(0x4055, 0xA56FA5B99019A5C8u),  // 1e26
    Extended::FromBits(0x4058, 0xCECB8F27F4200F3Au),  // 1e27
};

}  // namespace scan
