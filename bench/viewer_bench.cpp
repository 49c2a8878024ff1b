// SPDX-License-Identifier: GPL-3.0-or-later
// Document viewers: what showing a viewer costs the program (and a run in progress,
// which waits for the handler): loading a help text into the rich-text control, loading
// a course picture into the picture control, the first drawing of a fitted picture, and
// printing a help text to PDF.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

#include "OffscreenBench.h"
#include "docs/PageFit.h"
#include "docs/TImage.h"
#include "widgets/Printer.h"
#include "widgets/RichEdit.h"

namespace {

const std::string kSource = VANTOR_SOURCE_DIR;

void BM_LoadHelpText(benchmark::State& state) {
  const char* const files[] = {"aide/matériel.rtf", "aide/ressources.rtf", "aide/miseoeuvre.rtf",
                               "aide/souris.rtf", "aide/parametrage.rtf"};
  const std::string path = kSource + "/" + files[state.range(0)];
  vantor::TRichEdit edit;
  for (auto _ : state) {
    edit.Clear();
    edit.LoadFromFile(path);
    benchmark::DoNotOptimize(edit.document());
  }
  state.SetLabel(files[state.range(0)]);
}
BENCHMARK(BM_LoadHelpText)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// A generated help text of state.range(0) paragraphs in bold and plain runs, of some fifty
// characters each, or of a single bold character when state.range(1) is 1, or of a single
// plain character (six bytes a paragraph) when it is 2.
std::string WriteHelpText(const QTemporaryDir& dir, benchmark::State& state) {
  const std::string path = dir.filePath("grand.rtf").toStdString();
  std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  for (long k = 0; k < state.range(0); ++k) {
    if (state.range(1) == 2)
      rtf += "a\\par\n";
    else if (state.range(1) == 1)
      rtf += "{\\b " + std::to_string(k % 10) + "}\\par\n";
    else
      rtf += "{\\b Paragraphe " + std::to_string(k) + "} : r\\'e9gulation du moteur\\par\n";
  }
  rtf += "}";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(rtf.data(), 1, rtf.size(), out);
  std::fclose(out);
  state.counters["octets"] = static_cast<double>(rtf.size());
  return path;
}

// A large help text loaded into the shown help viewer's control up to its first drawing:
// the time before the student sees the text. 20,000 paragraphs make 1 MB; 40,000 reach
// the 2 MB bound; 50,000 one-character paragraphs reach the paragraph bound.
void BM_ShowLargeHelpText(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string path = WriteHelpText(dir, state);
  vantor::TRichEdit edit;
  edit.resize(693, 460);
  edit.show();
  QImage target(edit.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    edit.Clear();
    edit.LoadFromFile(path);
    edit.viewport()->render(&target);
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_ShowLargeHelpText)
    ->Args({20000, 0})
    ->Args({40000, 0})
    ->Args({50000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Help texts beyond the bounds are refused: the time until the message can be shown, for
// 200,000 paragraphs in 1.2 MB (read, then refused on its paragraphs) and in 2.2 MB
// (refused on its size, unread).
void BM_RefuseHugeHelpText(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string path = WriteHelpText(dir, state);
  vantor::TRichEdit edit;
  for (auto _ : state) {
    try {
      edit.LoadFromFile(path);
      state.SkipWithError("not refused");
    } catch (const std::exception& e) {
      benchmark::DoNotOptimize(e.what());
    }
  }
}
BENCHMARK(BM_RefuseHugeHelpText)
    ->Args({200000, 2})
    ->Args({200000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_LoadCoursePicture(benchmark::State& state) {
  vantor::TImage image;
  for (auto _ : state) {
    image.LoadFromFile(kSource + "/aide/schémapos.jpg");
    benchmark::DoNotOptimize(image.Picture().constBits());
  }
}
BENCHMARK(BM_LoadCoursePicture)->Unit(benchmark::kMillisecond);

// First drawing after a load or a resize: the 1131 × 1600 sheet fitted to the tuning
// window's 490 pixels, the 1600 × 1131 diagram to a 1900-pixel work area.
void BM_DrawFittedPicture(benchmark::State& state) {
  vantor::TImage image;
  image.LoadFromFile(kSource +
                     (state.range(0) == 490 ? "/méthode/méthostable.jpg" : "/aide/schémapos.jpg"));
  image.SetAvailableWidth(static_cast<int>(state.range(0)));
  QImage target(image.DisplaySize(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.SetPicture(image.Picture());  // drops the scaled copy, as a new load does
    image.render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_DrawFittedPicture)->Arg(490)->Arg(1900)->Unit(benchmark::kMillisecond);

void BM_PrintHelpTextToPdf(benchmark::State& state) {
  QTemporaryDir dir;
  vantor::TRichEdit edit;
  edit.LoadFromFile(kSource + "/aide/ressources.rtf");
  vantor::Printer printer;
  printer.SetOutputPdf(dir.filePath("aide.pdf"));
  const vantor::PageRect r = vantor::HelpPageRect(printer.PageWidth(), printer.PageHeight());
  for (auto _ : state) edit.Print(printer, QRect(r.left, r.top, r.Width(), r.Height()), "Aide");
}
BENCHMARK(BM_PrintHelpTextToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return vantor::bench::OffscreenBenchMain(argc, argv);
}
