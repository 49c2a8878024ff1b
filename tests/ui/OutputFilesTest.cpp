// SPDX-License-Identifier: GPL-3.0-or-later
// The PDF files (printout to a file, lab report) and the chart images are written as the
// run files are: a symbolic link at the target is replaced, never written through; a
// named pipe is refused at once, with its cause in French, and left as it was; the names
// proposed fit in a folder entry.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "common/VantorError.h"
#include "lesson-core/LabReport.h"
#include "lesson/LabReportPdf.h"
#include "widgets/ChartImage.h"
#include "widgets/Dialogs.h"
#include "widgets/Printer.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Thrown(const std::function<void()>& f) {
  try {
    f();
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

class OutputFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  fs::path Path(const std::string& name) const {
    return fs::path(dir.path().toStdString()) / name;
  }

  // The three writers, each writing to `path`; the magic bytes their files start with.
  struct Writer {
    const char* Name;
    const char* Magic;
    std::function<void(const fs::path&)> Write;
  };
  std::vector<Writer> Writers() {
    return {
        {"impression en PDF", "%PDF",
         [this](const fs::path& path) {
           printer.SetOutputPdf(QString::fromStdString(path.string()));
           printer.BeginDoc("essai");
           printer.TextOut(100, 100, "Consigne: Echelon");
           printer.EndDoc();
         }},
        {"rapport de TP", "%PDF",
         [](const fs::path& path) {
           LabReport report;
           report.Title = "Rapport de TP";
           WriteLabReportPdf(QString::fromStdString(path.string()), report, {});
         }},
        {"image du graphe", "\x89PNG",
         [this](const fs::path& path) {
           dialogs.fileAnswers = {QString::fromStdString(path.string())};
           QWidget chart;
           chart.resize(80, 60);
           SaveWidgetImage(nullptr, chart, "graphe");
         }},
    };
  }

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  DialogsScope scope{&dialogs};
  Printer printer;
};

TEST_F(OutputFilesTest, ALinkAtTheTargetIsReplacedAndAPipeIsRefusedAndLeftInPlace) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.Name);
    const std::string extension = std::string(w.Magic) == "%PDF" ? ".pdf" : ".png";
    const fs::path victim = Path("victime.txt");
    std::ofstream(victim) << "intact";
    const fs::path link = Path("lien" + extension);
    fs::create_symlink(victim, link);
    w.Write(link);
    EXPECT_EQ(ReadText(victim), "intact");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_TRUE(ReadText(link).starts_with(w.Magic));

    const fs::path pipe = Path("tube" + extension);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(Thrown([&] { w.Write(pipe); }),
              "Impossible de créer le fichier " + pipe.string() +
                  "\nCause : c'est un tube nommé, pas un fichier ordinaire");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_FALSE(printer.Printing());
    // Nothing else is left in the folder: no temporary, no partial file.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path("")))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"lien" + extension, "tube" + extension,
                                               "victime.txt"}));
    for (const fs::path& p : {victim, link, pipe}) fs::remove(p);
  }
}

// A name made of the students' names, or of a help window's title, can be longer than a
// folder entry: it is cut, between two characters, before its extension.
TEST_F(OutputFilesTest, ProposedNamesAreCutBetweenCharactersToFitAFolderEntry) {
  const QString title = QString(200, QChar(0xE9));  // "ééé…": 400 bytes in UTF-8
  printer.SuggestPdfName(title);
  const QString offered = printer.Device().outputFileName();
  const QString name = QFileInfo(offered).fileName();
  const QByteArray bytes = name.toUtf8();
  EXPECT_LE(bytes.size(), 255);
  EXPECT_GT(bytes.size(), 100);
  EXPECT_EQ(QString::fromUtf8(bytes), name);  // no character cut in two
  EXPECT_TRUE(name.endsWith(".pdf"));
  EXPECT_TRUE(title.startsWith(name.chopped(4)));
  printer.BeginDoc();
  printer.EndDoc();
  EXPECT_TRUE(QFile::exists(offered));

  std::string students;
  for (int i = 0; i < 40; ++i) students += "Élodie Dupont-Martin, ";
  const std::string report = ProposedReportName("2025-03-14", students);
  EXPECT_LE(report.size(), 255u);
  EXPECT_TRUE(report.starts_with("rapport-2025-03-14-elodie-dupont-martin-elodie"));
  EXPECT_TRUE(report.ends_with(".pdf"));
  LabReport empty;
  WriteLabReportPdf(QString::fromStdString(Path(report).string()), empty, {});
  EXPECT_TRUE(fs::is_regular_file(Path(report)));
}

}  // namespace
}  // namespace vantor
