# Fails when a source file includes a layer above its own, a core file includes Qt, the decoding
# layer includes or links Qt Widgets, or a file above it includes more of it than its public
# headers (picture_decode.h, thumbnail_decode.h).
cmake_minimum_required(VERSION 3.25)
# Layers, lowest first: core, cli | imaging, ui, windows, app. Run as
#   cmake -DSOURCE_DIR=<src> -P check_layers.cmake
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)

# What each folder may include from the project's own folders.
set(allowed_core "core")
set(allowed_cli "core;cli")
set(allowed_imaging "core;imaging")
set(allowed_ui "core;ui")
set(allowed_windows "core;imaging;ui;windows")
set(allowed_app "core;imaging;ui;windows;app")

set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" layer "${file}")
  if(NOT DEFINED allowed_${layer})
    list(APPEND faults "${file}: in no known layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      set(header "${CMAKE_MATCH_1}")
      if(layer STREQUAL "core" AND header MATCHES "^Q|^qt|/Q[A-Za-z]+$")
        list(APPEND faults "${file}: the core includes Qt (${header})")
      endif()
      # The module's folder and the widgets most often reached for: the header of any other widget
      # is not even found, since the layer does not link Qt Widgets (checked below).
      if(layer STREQUAL "imaging" AND header MATCHES "^QtWidgets(/|$)|^Q(Widget|Application|MainWindow|Frame|Label|Dialog|MessageBox|AbstractScrollArea|ScrollArea|ScrollBar|PushButton|LineEdit|Style|ProgressBar|ComboBox)$")
        list(APPEND faults "${file}: the decoding layer includes Qt Widgets (${header})")
      endif()
      if(NOT layer STREQUAL "imaging" AND header MATCHES "^imaging/" AND
         NOT header STREQUAL "imaging/picture_decode.h" AND
         NOT header STREQUAL "imaging/thumbnail_decode.h")
        list(APPEND faults "${file}: includes ${header}, not the decoding layer's public picture_decode.h or thumbnail_decode.h")
      endif()
      if(header MATCHES "^(core|cli|imaging|ui|windows|app)/")
        string(REGEX MATCH "^[^/]+" target "${header}")
        if(NOT target IN_LIST allowed_${layer})
          list(APPEND faults "${file}: ${layer} includes ${header}, a layer it may not use")
        endif()
      endif()
    endif()
  endforeach()
endforeach()

file(READ ${SOURCE_DIR}/imaging/CMakeLists.txt imaging_build)
if(imaging_build MATCHES "Widgets")
  list(APPEND faults "imaging/CMakeLists.txt: the decoding layer links Qt Widgets")
endif()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Upward or forbidden includes:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "Layers hold: ${count} files checked")
