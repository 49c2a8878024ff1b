// Document viewers: what showing a viewer costs the program (and a run in progress,
// which waits for the handler): loading a help text into the rich-text control, loading
// a course picture into the picture control, the first drawing of a fitted picture, and
// printing a help text to PDF.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "OffscreenBench.h"
#include "PageFit.h"
#include "Printer.h"
#include "RichEdit.h"
#include "TImage.h"

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

void BM_LoadCoursePicture(benchmark::State& state) {
  vantor::TImage image;
  for (auto _ : state) {
    image.LoadFromFile(kSource + "/aide/schémapos.jpg");
    benchmark::DoNotOptimize(image.Picture().constBits());
  }
}
BENCHMARK(BM_LoadCoursePicture)->Unit(benchmark::kMillisecond);

// First drawing after a load or a resize: the 1414 × 2000 sheet fitted to the tuning
// window's 490 pixels, the 2000 × 1414 diagram to a 1900-pixel work area.
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
