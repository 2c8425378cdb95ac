#pragma once
// Every addition the program has, in the order the host builds its engines with them, for tests
// of what runs whole sheets (the language server). A test binary that includes this links the
// additions and the converter.

#include "additions/uScrExt.h"
#include "additions/uSysCol.h"
#include "engine/CalcAnsiScript.h"
#include "pas2js/Pas2JavaScCalc.h"

namespace fakes {

inline constexpr engine::TAdditionMaker EveryAddition[] = {
    &engine::MakeAddition<additions::TuSysColor>,
    &engine::MakeAddition<pas2js::TPas2JavaScCalc>,
    &engine::MakeAddition<additions::TuScrExt>,
};

}  // namespace fakes
