// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of a chart (or of a window's charts) for a word processor: a PNG at the size
// the screen shows, or at twice it, saved to a file or put on the clipboard.
#include <QImage>
#include <QString>

class QWidget;

namespace vantor {

// 1: the screen's size; 2: twice it. Program-wide, chosen in the "Essais" menu.
int ChartImageScale();
void SetChartImageScale(int scale);

// `widget` and its children drawn at `scale` times their size on a white ground.
QImage WidgetImage(QWidget& widget, int scale);

// Asks for a PNG file in the documents folder (`name`.png proposed) and writes the image
// of `widget` to it; nothing when cancelled. Throws VantorError naming the file when it
// cannot be written.
void SaveWidgetImage(QWidget* parent, QWidget& widget, const QString& name);
// Puts the image of `widget` on the clipboard.
void CopyWidgetImage(QWidget& widget);

}  // namespace vantor
