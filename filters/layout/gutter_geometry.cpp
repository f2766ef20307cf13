#include "gutter_geometry.h"

namespace {

bool ControlsOn(const BindingSettings& binding) {
  return binding.optionControl == OffOn::On && binding.gutterControl == OffOn::On && binding.gutter > 0;
}

bool IsShortEdgeDuplex(DuplexType type) { return type == DuplexType::ShortEdge || type == DuplexType::ShortEdgeManual; }

}  // namespace

Transform GutterShift(const BindingSettings& binding, const DuplexSettings& duplex, const SidePosition& side) {
  Transform shift;
  if (!ControlsOn(binding) || IsBookletEdge(binding.bindingEdge)) return shift;
  const REAL g = ToXpsUnits(binding.gutter);
  REAL x = 0, y = 0;
  switch (binding.bindingEdge) {
    case BindingEdge::BindBottom: y = -g; break;
    case BindingEdge::BindLeft: x = g; break;
    case BindingEdge::BindRight: x = -g; break;
    case BindingEdge::BindTop: y = g; break;
    default: return shift;
  }
  const LONG turns = ((QuarterTurns(side.sheetOrientation) - QuarterTurns(side.firstSheetOrientation)) % 4 + 4) % 4;
  for (LONG i = 0; i < turns; ++i) {
    const REAL turnedX = -y;
    y = x;
    x = turnedX;
  }
  // A back side meets the binding on the other edge when the sheet turns over
  // across that edge's axis: left and right change places under a long-edge
  // turn of an upright sheet or a short-edge turn of a lying one; top and
  // bottom in the other two cases.
  const bool back = duplex.duplexType != DuplexType::OneSided && side.sidesEmitted % 2 == 1;
  if (back) {
    const bool acrossVertical = IsPortraitKind(side.firstSheetOrientation) != IsShortEdgeDuplex(duplex.duplexType);
    const bool leftOrRight =
        binding.bindingEdge == BindingEdge::BindLeft || binding.bindingEdge == BindingEdge::BindRight;
    if (leftOrRight == acrossVertical) {
      x = -x;
      y = -y;
    }
  }
  shift.Translate(x, y);
  return shift;
}

Transform BookletShift(const BindingSettings& binding, LONG parity, Orientation firstSheetOrientation) {
  Transform shift;
  if (!ControlsOn(binding) || !IsBookletEdge(binding.bindingEdge)) return shift;
  const REAL g = parity == 0 ? -ToXpsUnits(binding.gutter) : ToXpsUnits(binding.gutter);
  if (IsPortraitKind(firstSheetOrientation))
    shift.Translate(0, g);
  else
    shift.Translate(g, 0);
  return shift;
}
