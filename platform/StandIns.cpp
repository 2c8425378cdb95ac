// The run's table of stand-ins, shared by both systems' encoding boundaries, and what the
// boundary does with it the same way on both (the byte order mark).

#include "platform/StandIns.h"

namespace platform {

bool IsOneWayCharacter(char32_t cp) {
  if (cp >= 0xE0000 && cp <= 0xE007F) return true;  // the tag characters
  switch (cp) {
    case 0x00A2: case 0x00A3: case 0x00A5: case 0x00AC: case 0x2014:
    case 0x2016: case 0x203E: case 0x2212: case 0x301C:
      return true;
    default:
      return false;
  }
}

TStandIns::TStandIns() {
  for (int k = 0; k < UserAreaSize; ++k) {
    FState[k] = Free;
    FCarried[k] = 0;
  }
}

void TStandIns::Reserve(int k) {
  if (FState[k] == Free) FState[k] = Own;
}

int TStandIns::PrivateUse(int k) {
  // A character carried once is carried every time, so each outside character keeps one inside
  // code for the whole run.
  const TCarried cp = UserAreaFirst + static_cast<TCarried>(k);
  if (FState[k] != Given && !FByCarried.count(cp)) {
    FState[k] = Own;
    return k;
  }
  return StandInFor(cp);
}

int TStandIns::StandInFor(TCarried carried) {
  auto [it, added] = FByCarried.try_emplace(carried, -1);
  if (!added) return it->second;
  while (FNext < UserAreaSize && FState[FNext] != Free) ++FNext;
  if (FNext == UserAreaSize) {
    FByCarried.erase(it);
    return -1;
  }
  FState[FNext] = Given;
  FCarried[FNext] = carried;
  it->second = FNext;
  return FNext++;
}

std::string TStandIns::TakeByteOrderMark(std::string& inside) const {
  if (inside.size() < 2) return {};
  const int k = UserAreaIndex(static_cast<unsigned char>(inside[0]),
                              static_cast<unsigned char>(inside[1]));
  TCarried carried;
  if (k < 0 || !Find(k, carried) || carried != 0xFEFF) return {};
  std::string mark = inside.substr(0, 2);
  inside.erase(0, 2);
  return mark;
}

}  // namespace platform
