// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/LabReportPdf.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QBuffer>
#include <QPdfWriter>
#include <memory>

#include "common/OutputFile.h"
#include "common/VantorError.h"
#include "lesson/TraceChart.h"
#include "regulation/PrintCaption.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

constexpr int kResolution = 300;  // dots per inch of the PDF's device pixels

// Lines of text going down a page, a new page when the next line does not fit.
class PageText {
 public:
  PageText(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {}

  int Width() const { return painter_.viewport().width(); }
  int Height() const { return painter_.viewport().height(); }
  int Y() const { return y_; }
  void MoveTo(int y) { y_ = y; }

  void Font(int points, bool bold = false) {
    QFont font("Arial");
    font.setPointSize(points);
    font.setBold(bold);
    painter_.setFont(font);
  }
  // A line, wrapped to the page's width.
  void Line(const std::string& text, int indent = 0) {
    const QRect box(indent, y_, Width() - indent, Height());
    const QRect used = painter_.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                                             ToQString(text));
    if (y_ + used.height() > Height()) {
      NewPage();
      return Line(text, indent);
    }
    painter_.drawText(QRect(indent, y_, Width() - indent, used.height()),
                      Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, ToQString(text));
    y_ += used.height();
  }
  void Space(double lines = 0.6) {
    y_ += static_cast<int>(QFontMetrics(painter_.font(), painter_.device()).lineSpacing() * lines);
  }
  void NewPage() {
    writer_.newPage();
    y_ = 0;
  }

 private:
  QPdfWriter& writer_;
  QPainter& painter_;
  int y_ = 0;
};

void DrawRun(PageText& page, QPainter& painter, QPdfWriter& writer, const LabReportSection& s,
             const Trial& run) {
  page.Font(13, true);
  page.Line(s.Heading);
  // The trace as the main window prints it, over the upper part of the page.
  TChart chart;
  chart.resize(760, 480);
  const TraceSeries series = SetUpTraceChart(chart);
  auto plot = std::make_unique<RecordPlot>();
  BuildRecordPlot(run, *plot);
  FillTraceSeries(*plot, series);
  const int traceHeight = page.Height() * 7 / 10;
  painter.save();
  painter.translate(0, page.Y());
  DrawTracePage(painter, writer, chart, page.Width(), traceHeight, s.Captions);
  painter.restore();
  const TracePage layout = ComputeTracePage(page.Width(), traceHeight);
  page.MoveTo(page.Y() + layout.bottom + traceHeight / 20);

  page.Font(11, true);
  page.Line("Description");
  page.Font(10);
  for (const std::string& line : s.Description) page.Line(line, 60);
  page.Space();
  page.Font(11, true);
  page.Line("Mesures de la réponse");
  page.Font(10);
  for (const auto& [label, value] : s.Measures) page.Line(label + " : " + value, 60);
  if (!s.ToolResults.empty()) {
    page.Space();
    page.Font(11, true);
    page.Line("Outils d'analyse");
    page.Font(10);
    for (const std::string& line : s.ToolResults) page.Line(line, 60);
  }
}

void DrawComparison(PageText& page, QPainter& painter, const LabReport& report) {
  page.Font(13, true);
  page.Line("Comparaison des essais");
  page.Space();
  page.Font(7);
  const int columns = static_cast<int>(report.ComparisonColumns.size());
  // Tenths of the width of a measure's column: the gains are short numbers, the setpoint
  // and the corrector words.
  std::vector<int> weights(static_cast<std::size_t>(columns), 30);
  const int narrow[] = {18, 35, 12, 12, 12, 25};
  for (int c = 0; c < columns && c < 6; ++c) weights[static_cast<std::size_t>(c)] = narrow[c];
  int total = 0;
  for (int w : weights) total += w;
  std::vector<int> x(static_cast<std::size_t>(columns) + 1, 0);
  for (int c = 0; c < columns; ++c)
    x[static_cast<std::size_t>(c) + 1] =
        x[static_cast<std::size_t>(c)] +
        page.Width() * weights[static_cast<std::size_t>(c)] / total;
  const int pad = 10;
  auto row = [&](const std::vector<std::string>& cells, bool bold) {
    QFont font = painter.font();
    font.setBold(bold);
    painter.setFont(font);
    int height = 0;
    for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
      const QRect box(x[static_cast<std::size_t>(c)] + pad, 0,
                      x[static_cast<std::size_t>(c) + 1] - x[static_cast<std::size_t>(c)] - 2 * pad,
                      page.Height());
      height = std::max(
          height,
          painter.boundingRect(box, Qt::TextWordWrap, ToQString(cells[static_cast<std::size_t>(c)]))
              .height());
    }
    height += 2 * pad;
    if (page.Y() + height > page.Height()) page.NewPage();
    const int y = page.Y();
    for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
      const QRect cell(x[static_cast<std::size_t>(c)], y,
                       x[static_cast<std::size_t>(c) + 1] - x[static_cast<std::size_t>(c)], height);
      painter.drawRect(cell);
      painter.drawText(cell.adjusted(pad, pad, -pad, -pad),
                       Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter,
                       ToQString(cells[static_cast<std::size_t>(c)]));
    }
    page.MoveTo(y + height);
  };
  row(report.ComparisonColumns, true);
  for (const auto& cells : report.ComparisonRows) row(cells, false);
}

}  // namespace

void WriteLabReportPdf(const QString& path, const LabReport& report,
                       const std::vector<const Trial*>& runs) {
  // Laid out in memory, then written as every file the program writes for the user.
  OutputFile file(ToStdString(path));
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setTitle(ToQString(report.Title));
    writer.setCreator("Régulateur Vantor");
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
      throw VantorError("Impossible de créer le fichier " + ToStdString(path) +
                        "\nCause : la mise en page du PDF n'a pas pu commencer");
    PageText page(writer, painter);

    page.Font(16, true);
    page.Line(report.Title);
    page.Space();
    page.Font(11);
    for (const std::string& line : report.HeaderLines) page.Line(line);
    page.Space(1.5);
    for (std::size_t i = 0; i < report.Sections.size() && i < runs.size(); ++i) {
      if (i > 0) page.NewPage();
      DrawRun(page, painter, writer, report.Sections[i], *runs[i]);
    }
    page.NewPage();
    DrawComparison(page, painter, report);
    if (!report.Exercise.empty()) {
      page.Space(2);
      page.Font(13, true);
      page.Line(report.ExerciseTitle);
      page.Font(10);
      for (const std::string& line : report.Exercise) page.Line(line);
    }
    painter.end();
  }
  file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

}  // namespace vantor
