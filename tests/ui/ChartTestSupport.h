// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers of the chart tests: mouse gestures sent straight to a widget, and a chart set
// up as the main window's trace.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "widgets/TChart.h"

namespace vantor::testing {

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, modifiers);
  QApplication::sendEvent(w, &event);
}

// Press at `from`, move in a few steps to `to`, release there.
inline void Drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to) {
  SendMouse(w, QEvent::MouseButtonPress, from, button, button);
  for (int i = 1; i <= 4; ++i) {
    const QPoint p = from + (to - from) * i / 4;
    SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, button);
  }
  SendMouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

// A chart configured like the main window's trace: 0..30 s by 0..10 V, titles, legend.
inline void SetUpTrace(TChart& chart) {
  chart.resize(500, 350);
  chart.TitleText = QStringLiteral("Consigne/Retour");
  chart.TitleAlignment = Qt::AlignRight;
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(16);
  title.setUnderline(true);
  chart.TitleFont = title;
  chart.BottomAxis().SetMinMax(0, 30);
  chart.BottomAxis().Title = QStringLiteral("temps (seconde)");
  chart.BottomAxis().LabelsSeparation = 20;
  chart.BottomAxis().MinorTickCount = 4;
  chart.LeftAxis().SetMinMax(0, 10);
  chart.LeftAxis().Title = QStringLiteral("retour (volts)");
  chart.LeftAxis().MinorTickCount = 9;
  chart.LeftAxis().MinorTickLength = 3;
  chart.LeftAxis().TickLength = 5;
  chart.LeftAxis().TicksDotted = true;
  chart.AnimatedZoom = true;
  chart.AddSeries(QStringLiteral("Series1"), QStringLiteral("Consigne"), Qt::red);
  chart.AddSeries(QStringLiteral("Series2"), QStringLiteral("Retour"), Qt::blue);
}

}  // namespace vantor::testing
