// Output holds: nesting in one collection, what reaches the receiver and when, holds in place.
#include "pas2js/OutputHolds.h"

#include <gtest/gtest.h>

#include <string>

namespace pas2js {
namespace {

// Holds in front of a receiver that appends what is passed on, as the converter's Write does.
struct THolder {
  TOutputHolds Holds;
  std::string Received;
  int Pieces = 0;

  void Write(std::string_view text) {
    if (Holds.Collecting()) {
      Holds.Collect(text);
    } else {
      Received.append(text);
      ++Pieces;
    }
  }
  void Release(TOutputHolds::THold& hold) {
    Holds.Release(hold, OutputProcOf<&THolder::Write>(this));
  }
};

// A loop holds its text for a label; inside it a trial is dropped and a capture taken. Nothing
// reaches the receiver before the outermost hold ends, and then all at once, label in front.
TEST(OutputHolds, NestedHoldsReleaseOnceAtTheOutermostAndDropTheirTrials) {
  THolder h;
  h.Write("a;");
  TOutputHolds::THold loop, trial, capture, label;
  h.Holds.Hold(loop, nullptr);
  h.Write("for(");
  h.Holds.Hold(trial, nullptr);
  h.Write("thrown away");
  h.Holds.Drop(trial);
  h.Holds.Hold(capture, nullptr);
  h.Write("x");
  std::string captured;
  h.Holds.Take(capture, captured);
  h.Holds.Hold(label, nullptr);
  h.Write("1");
  h.Holds.InsertFront(label, "case ");
  h.Release(label);
  h.Write(")");
  EXPECT_EQ(h.Received, "a;");
  h.Holds.InsertFront(loop, "L1:");
  h.Release(loop);
  EXPECT_EQ(captured, "x");
  EXPECT_EQ(h.Received, "a;L1:for(case 1)");
  EXPECT_EQ(h.Pieces, 2);
  EXPECT_FALSE(h.Holds.Collecting());

  // The next outermost hold starts from an empty collection.
  TOutputHolds::THold next;
  h.Holds.Hold(next, nullptr);
  h.Write("b");
  h.Holds.Take(next, captured);
  EXPECT_EQ(captured, "b");
}

// Held in the final text: nothing is collected or passed on; a drop cuts the text back, a take
// moves the held part out of it, an insert goes in front of the held part.
TEST(OutputHolds, HoldsInPlaceStayInTheirText) {
  TOutputHolds holds;
  std::string text = "head;";
  TOutputHolds::THold keep, drop, take;
  holds.Hold(keep, &text);
  EXPECT_FALSE(holds.Collecting());
  text += "body";
  holds.Hold(drop, &text);
  text += "trial";
  holds.Drop(drop);
  holds.Hold(take, &text);
  text += "cond";
  std::string taken;
  holds.Take(take, taken);
  holds.InsertFront(keep, "L1:");
  EXPECT_EQ(holds.HeldBuffer(keep).substr(holds.HeldStart(keep)), "L1:body");
  holds.Release(keep, {});  // nothing to pass on: the receiver is never called
  EXPECT_EQ(taken, "cond");
  EXPECT_EQ(text, "head;L1:body");
}

}  // namespace
}  // namespace pas2js
