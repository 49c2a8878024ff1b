// SPDX-License-Identifier: GPL-3.0-or-later
// The help text viewer: document chosen by the main window's key word when shown,
// errors, an open viewer left as it is, the modal showing and the printout.
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "PdfSupport.h"
#include "WorkstationFixture.h"
#include "common/Rtf.h"
#include "docs/PageFit.h"
#include "docs/Uaideexperimentale.h"

namespace vantor::testing {
namespace {

class HelpViewerTest : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    viewer = new TOKBottomDlg1(f);
    f.OKBottomDlg1 = viewer;
  }

  // The plain text the core reader gets from a file of the working copy.
  std::string FileText(const std::string& relative) {
    std::ifstream in(Path(relative), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return LoadRichText(bytes.str()).PlainText();
  }

  void WriteFile(const std::string& relative, const std::string& bytes) {
    std::ofstream(Path(relative), std::ios::binary | std::ios::trunc) << bytes;
  }

  TOKBottomDlg1* viewer = nullptr;
};

TEST_F(HelpViewerTest, IsASizeableWindowWithoutMinimiseOrMaximise) {
  EXPECT_EQ(viewer->size(), QSize(693, 484));
  const Qt::WindowFlags flags = viewer->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(viewer->RichEditaide->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(viewer->RichEditaide->isReadOnly());
  EXPECT_EQ(viewer->Imprimer1->text(), "Imprimer");
  EXPECT_EQ(viewer->Impression1->title(), "Impression");
}

TEST_F(HelpViewerTest, StaysAboveTheMainWindowAndUnderTheBoxesOpenedWhileItIsInFront) {
  // The real boxes, each closed as soon as it is open.
  DialogsScope realBoxes(nullptr);
  form->show();
  form->Configurationmatrielle1->trigger();
  ASSERT_TRUE(viewer->isVisible());
  // Transient for the main window: the window system keeps it above that window only.
  ASSERT_NE(viewer->windowHandle(), nullptr);
  EXPECT_EQ(viewer->windowHandle()->transientParent(), form->windowHandle());
  EXPECT_FALSE(viewer->windowFlags() & Qt::WindowStaysOnTopHint);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == viewer; }, 2000));

  // "Ressources imprimables" is refused while the viewer is open, from the main window's
  // menu: the error box opens over the viewer, not behind it.
  QString text;
  QWidget* over = nullptr;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    text = box->text();
    over = box->parentWidget();
    box->done(QMessageBox::Ok);
  });
  poll.start(10);
  QTimer::singleShot(5000, [] {
    if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
  });
  form->Choixdutypedergulation1->trigger();
  poll.stop();
  EXPECT_EQ(text, "Impossible de rendre modale une fenêtre visible.");
  EXPECT_EQ(over, viewer);
}

TEST_F(HelpViewerTest, EachHelpCommandLoadsItsDocumentAndCaption) {
  struct Case {
    std::function<void()> command;
    const char* caption;
    const char* file;
  };
  const Case cases[] = {
      {[&] { form->Configurationmatrielle1->trigger(); }, "Aide sur la configuration materielle",
       "aide/matériel.rtf"},
      {[&] { form->Paramtrage1->trigger(); }, "Aide sur le paramétrage", "aide/parametrage.rtf"},
      {[&] { form->Miseenoeuvredulogiciel1->trigger(); }, "Aide sur la mise en oeuvre du logiciel",
       "aide/miseoeuvre.rtf"},
      {[&] { form->Button7->click(); }, "Aide sur l'utilisation de la souris dans le graphe",
       "aide/souris.rtf"},
      {[&] { form->Travauxpratiques1->trigger(); }, "Aide pour les travaux pratiques",
       "aide/travauxpratiques.rtf"},
  };
  EXPECT_EQ(form->Aide1->actions().back(), form->Travauxpratiques1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    c.command();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), QString::fromUtf8(c.caption));
    EXPECT_EQ(viewer->RichEditaide->PlainText(), FileText(c.file));
    viewer->close();
  }
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(HelpViewerTest, PrintableResourcesAreShownModally) {
  QString captionWhileOpen;
  bool modal = false;
  QTimer::singleShot(0, viewer, [&] {
    captionWhileOpen = viewer->windowTitle();
    modal = viewer->isModal() && QApplication::activeModalWidget() == viewer;
    viewer->close();
  });
  form->Choixdutypedergulation1->trigger();
  EXPECT_EQ(form->helpTopic, "ressources");
  EXPECT_EQ(captionWhileOpen, "Aide sur les différents types de régulation");
  EXPECT_TRUE(modal);
  EXPECT_EQ(viewer->RichEditaide->PlainText(), FileText("aide/ressources.rtf"));
  EXPECT_FALSE(viewer->isVisible());
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(HelpViewerTest, AnOpenViewerIsOnlyBroughtToTheFront) {
  form->Configurationmatrielle1->trigger();
  QTextCursor(viewer->RichEditaide->document()).insertText("Note: ");
  const std::string annotated = viewer->RichEditaide->PlainText();

  form->Button7->click();  // "?souris" while the viewer is open
  EXPECT_EQ(form->helpTopic, "souris");
  EXPECT_EQ(viewer->windowTitle(), "Aide sur la configuration materielle");
  EXPECT_EQ(viewer->RichEditaide->PlainText(), annotated);

  // The modal showing is refused; the open viewer stays as it was.
  form->Choixdutypedergulation1->trigger();
  EXPECT_EQ(dialogs.errors, QStringList{"Impossible de rendre modale une fenêtre visible."});
  EXPECT_EQ(form->helpTopic, "ressources");
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->RichEditaide->PlainText(), annotated);

  // Closed and shown again, it reads the key word and the file anew (edits are lost,
  // and a file changed meanwhile is seen).
  viewer->close();
  WriteFile("aide/souris.rtf", "{\\rtf1 Nouvelle aide\\par}");
  form->Button7->click();
  EXPECT_EQ(viewer->windowTitle(), "Aide sur l'utilisation de la souris dans le graphe");
  EXPECT_EQ(viewer->RichEditaide->PlainText(), "Nouvelle aide\r\n");
}

TEST_F(HelpViewerTest, AnUnknownKeyWordKeepsTheLastCaptionAndText) {
  form->Paramtrage1->trigger();
  viewer->close();
  const std::string text = viewer->RichEditaide->PlainText();
  for (const char* topic : {"position", "Parametrage", "", "materiel "}) {
    form->helpTopic = topic;
    viewer->show();
    EXPECT_EQ(viewer->windowTitle(), "Aide sur le paramétrage") << topic;
    EXPECT_EQ(viewer->RichEditaide->PlainText(), text) << topic;
    viewer->close();
  }
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(HelpViewerTest, AMissingFileIsReportedWithItsPathAndTheViewerStillShows) {
  form->Configurationmatrielle1->trigger();
  viewer->close();
  ASSERT_TRUE(std::filesystem::remove(Path("aide/souris.rtf")));
  form->Button7->click();
  EXPECT_EQ(dialogs.errors, QStringList{"Impossible d'ouvrir le fichier aide/souris.rtf."});
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), "Aide sur l'utilisation de la souris dans le graphe");
  EXPECT_EQ(viewer->RichEditaide->PlainText(), "");
}

TEST_F(HelpViewerTest, AFileThatIsNeitherRichTextNorTextIsAStreamError) {
  WriteFile("aide/parametrage.rtf", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  form->Paramtrage1->trigger();
  EXPECT_EQ(dialogs.errors,
            QStringList{"Erreur au chargement du flux.\nFichier : aide/parametrage.rtf"});
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), "Aide sur le paramétrage");
  EXPECT_EQ(viewer->RichEditaide->PlainText(), "");

  // Plain text is shown as it is.
  viewer->close();
  dialogs.errors.clear();
  WriteFile("aide/parametrage.rtf", "Réglages du professeur\nseconde ligne");
  form->Paramtrage1->trigger();
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(viewer->RichEditaide->PlainText(), "Réglages du professeur\r\nseconde ligne\r\n");
}

TEST_F(HelpViewerTest, TheShippedDocumentKeepsItsFormatting) {
  form->Button7->click();
  const QTextDocument& document = *viewer->RichEditaide->document();
  const QTextBlock title = document.firstBlock();
  EXPECT_EQ(title.text(), "Utiliser la souris dans le graphe");
  EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  const QTextCharFormat titleFormat = title.begin().fragment().charFormat();
  EXPECT_EQ(titleFormat.fontWeight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(titleFormat.fontPointSize(), 20.0);
  EXPECT_EQ(titleFormat.foreground().color(), QColor(20, 60, 170));
  const QTextCharFormat body = title.next().begin().fragment().charFormat();
  EXPECT_EQ(body.fontWeight(), QFont::Normal);
  EXPECT_DOUBLE_EQ(body.fontPointSize(), 11.0);
}

TEST_F(HelpViewerTest, PrintsTheTextWithItsEditsOnSeveralPagesUnderTheTitleAide) {
  if (!pdf::HasTools()) GTEST_SKIP() << "poppler-utils missing";
  form->Configurationmatrielle1->trigger();
  QTextCursor end(viewer->RichEditaide->document());
  end.movePosition(QTextCursor::End);
  end.insertText("Remarque de l'étudiant");
  Printer& printer = Printer::Instance();
  printer.SetOrientation(TPrinterOrientation::poPortrait);
  const QString file = QString::fromStdString(Path("aide.pdf").string());
  dialogs.pdfPath = file;

  viewer->Imprimer1->trigger();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  EXPECT_EQ(pdf::Info(file, "Title"), "Aide");
  const int pages = pdf::Info(file, "Pages").toInt();
  EXPECT_GE(pages, 2);
  const QString text = pdf::Text(file).simplified();
  EXPECT_TRUE(text.startsWith("Configuration matérielle")) << text.left(200).toStdString();
  EXPECT_TRUE(text.endsWith("Remarque de l'étudiant")) << text.right(200).toStdString();

  // Each page inside 5 % of the width at the sides and 4 % of the height at the top and
  // at the bottom.
  const PageRect margins = HelpPageRect(printer.PageWidth(), printer.PageHeight());
  const QRect rect(margins.left, margins.top, margins.Width(), margins.Height());
  for (int page = 1; page <= pages; ++page) {
    const QImage image = pdf::Render(file, page, 40);
    ASSERT_FALSE(image.isNull());
    const QRectF inside = pdf::OnImage(printer.Device(), image, rect);
    const QRect ink = pdf::Bounds(image, [](QRgb c) { return qGray(c) < 200; });
    ASSERT_FALSE(ink.isEmpty()) << "page " << page;
    EXPECT_TRUE(inside.adjusted(-1, -1, 1, 1).contains(QRectF(ink))) << "page " << page;
    // The text starts at the rectangle's left edge and near its top.
    EXPECT_LE(ink.left(), inside.left() + 3) << "page " << page;
    EXPECT_LE(ink.top(), inside.top() + 10) << "page " << page;
  }
}

TEST_F(HelpViewerTest, ACancelledPrintDialogPrintsNothing) {
  form->Configurationmatrielle1->trigger();
  dialogs.pdfPath = QString::fromStdString(Path("aide.pdf").string());
  dialogs.printDialogAnswer = false;
  viewer->Imprimer1->trigger();
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("aide.pdf")));
  EXPECT_FALSE(Printer::Instance().Printing());
}

}  // namespace
}  // namespace vantor::testing
