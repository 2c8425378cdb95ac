#include "host/RegisterAdditions.h"

#include "additions/uScrExt.h"
#include "additions/uSysCol.h"
#include "engine/CalcAnsiScript.h"
#include "pas2js/Pas2JavaScCalc.h"

namespace host {

void RegisterAdditions() {
  // One line per addition, in this order: TuSysColor, TPas2JavaScCalc, TuScrExt. Every engine
  // attaches one object of each, in registration order.
  engine::RegisterAddition(engine::AdditionClassOf<additions::TuSysColor>("TuSysColor"));
  engine::RegisterAddition(engine::AdditionClassOf<pas2js::TPas2JavaScCalc>("TPas2JavaScCalc"));
  engine::RegisterAddition(engine::AdditionClassOf<additions::TuScrExt>("TuScrExt"));
}

}  // namespace host
