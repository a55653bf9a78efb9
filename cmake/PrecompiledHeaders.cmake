# Precompiled headers: the standard library and Qt headers that most translation units include, and
# GoogleTest's for the test suites, are parsed once per build folder instead of once per file.
#
# Two small targets make them: sonvale_pch_qt for the Qt libraries and programs, sonvale_pch_tests for
# the suites. Every other target that links Qt Widgets and Qt Network (and, for the second, GoogleTest)
# reuses theirs: gcc and clang take a precompiled header only when it was made with the same options and
# the same macros, which those targets share (the macros that Qt's and GoogleTest's targets define). A
# target's own macros (paths of helper programs and the like) do not reach these headers. Targets
# without Qt (the driver module, the emulated console, the file helpers) parse their few headers as
# before.
#
# Only with -DSONVALE_PRECOMPILE_HEADERS=ON, which scripts/test and the stages give their builds: a
# precompiled header differs from one build folder to the next, so ccache finds nothing of another
# folder for the files that use one, and a developer's fresh build folder would compile everything anew.
# A file that uses them compiles in about two thirds of the processor time; a whole plain build takes
# about a sixth less, the Release build of the package a third less. ccache needs to be told to take
# files compiled with a precompiled header (sloppiness pch_defines,time_macros); the compiler launcher
# says so.

set(sonvale_pch_std <algorithm> <array> <atomic> <chrono> <cstdint> <cstring> <functional> <memory> <mutex>
    <optional> <string> <string_view> <thread> <vector>)
set(sonvale_pch_qt <QApplication> <QDir> <QFile> <QFontMetrics> <QMouseEvent> <QPainter> <QPixmap> <QPointer>
    <QString> <QTimer> <QWidget>)

# sonvale_links(result target item...): whether the target links every one of the items, directly or
# through the libraries it links.
function(sonvale_links result target)
  set(wanted ${ARGN})
  set(seen)
  set(queue ${target})
  while(queue AND wanted)
    list(POP_FRONT queue current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(type ${current} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(link ${links})
      list(REMOVE_ITEM wanted ${link})
      list(APPEND queue ${link})
    endforeach()
  endwhile()
  if(wanted)
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# sonvale_targets(result dir): every target defined in the folder and the folders below it.
function(sonvale_targets result dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    sonvale_targets(below ${subdir})
    list(APPEND targets ${below})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

# sonvale_precompile_headers(): the two targets that make the headers, and every target that can take
# theirs reusing them. Called once, after every target is defined.
function(sonvale_precompile_headers)
  if(NOT SONVALE_PRECOMPILE_HEADERS)
    return()
  endif()
  sonvale_targets(targets ${PROJECT_SOURCE_DIR})
  set(source ${PROJECT_SOURCE_DIR}/cmake/PrecompiledHeaders.cpp)
  add_library(sonvale_pch_qt OBJECT ${source})
  target_link_libraries(sonvale_pch_qt PRIVATE Qt6::Widgets Qt6::Network)
  target_precompile_headers(sonvale_pch_qt PRIVATE ${sonvale_pch_std} ${sonvale_pch_qt})
  set(with_tests FALSE)
  if(TARGET GTest::gtest)
    set(with_tests TRUE)
    add_library(sonvale_pch_tests OBJECT ${source})
    target_link_libraries(sonvale_pch_tests PRIVATE Qt6::Widgets Qt6::Network GTest::gtest)
    target_precompile_headers(sonvale_pch_tests PRIVATE ${sonvale_pch_std} ${sonvale_pch_qt} <QTemporaryDir>
                              <gtest/gtest.h>)
  endif()
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(imported ${target} IMPORTED)
    if(imported OR NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    sonvale_links(qt ${target} Qt6::Widgets Qt6::Network)
    if(NOT qt)
      continue()
    endif()
    set(gtest FALSE)
    if(with_tests)
      sonvale_links(gtest ${target} GTest::gtest)
    endif()
    # The headers are C++ ones: C files (generated protocol code) go without. So does the file in which
    # AUTOMOC gathers a target's moc output: for most targets it is empty, and loading a precompiled
    # header costs about half a second.
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    list(FILTER sources INCLUDE REGEX "\\.c$")
    list(TRANSFORM sources PREPEND "${dir}/" REGEX "^[^/]")
    get_target_property(automoc ${target} AUTOMOC)
    if(automoc)
      get_target_property(binary_dir ${target} BINARY_DIR)
      list(APPEND sources ${binary_dir}/${target}_autogen/mocs_compilation.cpp)
    endif()
    if(sources)
      set_source_files_properties(${sources} TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
    if(gtest)
      target_precompile_headers(${target} REUSE_FROM sonvale_pch_tests)
    else()
      target_precompile_headers(${target} REUSE_FROM sonvale_pch_qt)
    endif()
  endforeach()
endfunction()
