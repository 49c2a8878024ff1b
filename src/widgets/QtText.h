// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text conversions between the Qt-free core (UTF-8 std::string, long double) and the
// windows (QString).
#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <string>

#include "common/Numbers.h"

namespace vantor {

inline QString ToQString(const std::string& s) {
  return QString::fromStdString(s);
}
inline std::string ToStdString(const QString& s) {
  return s.toStdString();
}
// The short form of the captions (2, 0.1, -10).
inline QString ShortText(long double v) {
  return ToQString(FormatShort(v));
}

// The colour of a label's text (the red warnings, the green confirmations).
inline void SetTextColor(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, c);
  w->setPalette(pal);
}

}  // namespace vantor
