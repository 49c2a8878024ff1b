# SPDX-License-Identifier: GPL-3.0-or-later
# A faster build. Every window file and every test reads the same Qt, GoogleTest and
# standard headers, which take a good part of its compile time: they are precompiled once
# in a header library each kind of target shares (REUSE_FROM). The tests' own files are
# compiled without optimisation: they drive the program's libraries, which keep theirs,
# and optimising test code costs a third of their compile time for nothing.
option(VANTOR_PCH "Precompile the Qt, GoogleTest and standard headers" ON)

set(vantor_pch_std <algorithm> <array> <chrono> <cmath> <cstdint> <cstdio> <filesystem>
    <functional> <map> <memory> <optional> <string> <utility> <vector>)
# The Qt headers most of the windows include, not Qt's umbrella headers: a smaller
# precompiled header loads faster in every file that uses it.
set(vantor_pch_qt <QAction> <QApplication> <QComboBox> <QDialog> <QDir> <QFormLayout>
    <QHBoxLayout> <QImage> <QLabel> <QLineEdit> <QMenu> <QMenuBar> <QPainter> <QPushButton>
    <QString> <QTimer> <QVBoxLayout> <QWidget>)

# Options of a test runner's own files.
function(vantor_test_compile_options target)
  if(CMAKE_BUILD_TYPE MATCHES "^(RelWithDebInfo|Release|MinSizeRel)$")
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

function(vantor_pch_holder holder headers)
  add_library(${holder} STATIC ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
  set_target_properties(${holder} PROPERTIES AUTOMOC OFF)
  target_precompile_headers(${holder} PRIVATE ${headers})
endfunction()

# A test runner of the Qt-free core: GoogleTest and the standard headers.
function(vantor_core_test_pch target)
  vantor_test_compile_options(${target})
  if(NOT VANTOR_PCH)
    return()
  endif()
  if(NOT TARGET vantor_pch_core_tests)
    vantor_pch_holder(vantor_pch_core_tests "<gtest/gtest.h>;${vantor_pch_std}")
    target_link_libraries(vantor_pch_core_tests PRIVATE vantor_common GTest::gtest)
    vantor_test_compile_options(vantor_pch_core_tests)
  endif()
  target_precompile_headers(${target} REUSE_FROM vantor_pch_core_tests)
endfunction()

# A window library; with `tests`, the windows' test runner (GoogleTest and Qt Test too).
function(vantor_qt_pch target)
  set(tests OFF)
  if(ARGV1 STREQUAL "tests")
    set(tests ON)
    vantor_test_compile_options(${target})
  endif()
  if(NOT VANTOR_PCH)
    return()
  endif()
  if(tests)
    set(holder vantor_pch_qt_tests)
    set(headers <gtest/gtest.h> <QtTest/QTest> <QTemporaryDir> ${vantor_pch_qt} ${vantor_pch_std})
  else()
    set(holder vantor_pch_qt)
    set(headers ${vantor_pch_qt} ${vantor_pch_std})
  endif()
  if(NOT TARGET ${holder})
    vantor_pch_holder(${holder} "${headers}")
    target_link_libraries(${holder} PRIVATE vantor_common Qt6::Widgets Qt6::PrintSupport)
    if(tests)
      find_package(Qt6 REQUIRED COMPONENTS Test)
      target_link_libraries(${holder} PRIVATE GTest::gtest Qt6::Test)
      vantor_test_compile_options(${holder})
    endif()
  endif()
  target_precompile_headers(${target} REUSE_FROM ${holder})
endfunction()
