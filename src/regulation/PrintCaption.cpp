// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/PrintCaption.h"

#include "common/Numbers.h"
#include "regulation/CorrectorLaw.h"

namespace vantor {

namespace {

std::string Caption(const std::string& panel15, bool step, long double stepLevel, long double mean,
                    long double amplitude, long double frequency, long double kp, long double kd,
                    long double ki) {
  std::string text = panel15 + "(";
  if (step) {
    text += "amplitude:" + FormatPrinted(stepLevel);
  } else {
    text += "moyenne:" + FormatPrinted(mean) + "," + "amplitude:" + FormatPrinted(amplitude) + "," +
            "f:" + FormatPrinted(frequency) + "hz";
  }
  text += ")  , ";
  text += "Kp:" + FormatPrinted(kp) + ", " + "Kd:" + FormatPrinted(kd) + ", " +
          "Ki:" + FormatPrinted(ki);
  return text;
}

}  // namespace

std::string BuildPrintCaption(const std::string& panel15, const RegulationState& s) {
  std::string text = Caption(panel15, s.SetpointKind == "echelon", s.StepLevel, s.Mean,
                             s.Amplitude, s.SetpointFrequency, s.Kp, s.Kd, s.Ki);
  // The structure is named only when it is not the main window's corrector.
  if (const std::string law = RunLawCaption(s); !law.empty()) text += " ; " + law;
  return text;
}

std::string BuildPrintCaption(const Trial& t) {
  std::string text = Caption(t.SetpointCaption, t.SetpointKind == "echelon", t.StepLevel, t.Mean,
                             t.Amplitude, t.SetpointFrequency, t.Kp, t.Kd, t.Ki);
  if (!t.Corrector.empty()) text += " ; " + t.Corrector;
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
