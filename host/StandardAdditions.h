#pragma once

#include "engine/CalcAnsiScript.h"

namespace host {

/// The additions every engine of the program is built with, in their fixed order: the colours
/// (TuSysColor), the converter (TPas2JavaScCalc), the code pages (TuScrExt). The list lives for
/// the whole run.
engine::TAdditionList StandardAdditions();

}  // namespace host
