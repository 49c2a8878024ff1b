#include "PrintCaption.h"

#include "Numbers.h"

namespace vantor {

std::string BuildPrintCaption(const std::string& panel15, const RegulationState& s) {
  std::string text = panel15 + "(";
  if (s.SetpointKind == "echelon") {
    text += "amplitude:" + FormatPrinted(s.StepLevel);
  } else {
    text += "moyenne:" + FormatPrinted(s.Mean) + "," + "amplitude:" + FormatPrinted(s.Amplitude) +
            "," + "f:" + FormatPrinted(s.SetpointFrequency) + "hz";
  }
  text += ")  , ";
  text += "Kp:" + FormatPrinted(s.Kp) + ", " + "Kd:" + FormatPrinted(s.Kd) + ", " +
          "Ki:" + FormatPrinted(s.Ki);
  return text;
}

TracePage ComputeTracePage(int W, int H) {
  TracePage p;
  p.mx = static_cast<int>(RoundHalfEven(static_cast<long double>(W) * 20 / 100));
  p.my = static_cast<int>(RoundHalfEven(static_cast<long double>(H) * 10 / 100));
  p.cw = W - 2 * p.mx;
  p.ch = (H - 2 * p.my) / 2;
  p.captionX = p.mx;
  p.captionY = static_cast<int>(RoundHalfEven(static_cast<long double>(p.my) / 2));
  p.left = p.mx;
  p.top = 2 * p.my;
  p.right = p.mx + p.cw;
  p.bottom = 2 * p.my + p.ch;
  return p;
}

}  // namespace vantor
