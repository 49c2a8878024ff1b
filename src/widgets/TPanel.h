// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A bordered panel with an optional centred caption, as the windows of this program
// use them for their columns, section headers and the setpoint title line.
#include <QFrame>
#include <QLabel>
#include <QString>

namespace vantor {

class TPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TPanel(QWidget* parent = nullptr, const QString& name = QString(),
                  const QString& caption = QString());

  QString Caption() const { return caption_->text(); }
  void SetCaption(const QString& text) { caption_->setText(text); }
  QLabel* CaptionLabel() const { return caption_; }
  // Background colour of the panel (and of its caption).
  void SetColor(const QColor& color);
  // Caption text colour and boldness, as section headers show them.
  void SetCaptionStyle(const QColor& color, bool bold);
  // Single border (the default) or none.
  void SetBorder(bool single);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* caption_;
};

// The light 3-D colour of headers and tool bars.
QColor Light3DColor();

}  // namespace vantor
