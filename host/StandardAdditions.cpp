#include "host/StandardAdditions.h"

#include "additions/uScrExt.h"
#include "additions/uSysCol.h"
#include "pas2js/Pas2JavaScCalc.h"

namespace host {

engine::TAdditionList StandardAdditions() {
  static constexpr engine::TAdditionMaker Standard[] = {
      &engine::MakeAddition<additions::TuSysColor>,
      &engine::MakeAddition<pas2js::TPas2JavaScCalc>,
      &engine::MakeAddition<additions::TuScrExt>,
  };
  return Standard;
}

}  // namespace host
