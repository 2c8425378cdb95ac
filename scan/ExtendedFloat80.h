#pragma once
// The engine's Extended as the 80-bit number of the decimal routines and back, by their bits:
// the same value, NaN payloads and signed zeros included.

#include <cstdint>
#include <cstring>

#include "scan/Float80.h"
#include "scan/uAnsiCharTools.h"

namespace scan {

inline TFloat80 ToFloat80(Extended x) {
  uint64_t significand;
  uint16_t signAndExponent;
  std::memcpy(&significand, &x, sizeof significand);
  std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&x) + sizeof significand,
              sizeof signAndExponent);
  return TFloat80::FromBits(signAndExponent, significand);
}

inline Extended FromFloat80(TFloat80 x) {
  unsigned char bytes[sizeof(Extended)] = {};
  const uint64_t significand = x.Significand();
  const uint16_t signAndExponent = x.SignAndExponent();
  std::memcpy(bytes, &significand, sizeof significand);
  std::memcpy(bytes + sizeof significand, &signAndExponent, sizeof signAndExponent);
  Extended r;
  std::memcpy(&r, bytes, sizeof r);
  return r;
}

}  // namespace scan
