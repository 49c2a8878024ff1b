// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests run in one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  // Every run a test makes goes to the journal in the documents folder: a folder of this
  // test program's own, never the user's (the children the tests start inherit it).
  QTemporaryDir desktop;
  QDir(desktop.path()).mkpath("documents");
  QFile dirs(desktop.path() + "/user-dirs.dirs");
  if (dirs.open(QIODevice::WriteOnly))
    dirs.write("XDG_DOCUMENTS_DIR=\"" + desktop.path().toLocal8Bit() + "/documents\"\n");
  dirs.close();
  qputenv("XDG_CONFIG_HOME", desktop.path().toLocal8Bit());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
