# The application's windows (pixawindows) and the application itself (pixamantler).
add_library(pixawindows STATIC
  mainwindow/main_window_link.h
  owners/owner_flow.cpp
  owners/owner_flow.h
  owners/owner_navigator.h
  owners/owner_window.cpp
  owners/owner_window.h
  owners/owner_window_support.cpp
  owners/owner_window_support.h
  owners/pixa_owner.cpp
  owners/pixa_owner.h
  owners/pixa_password.cpp
  owners/pixa_password.h
  owners/session.h
)
set_target_properties(pixawindows PROPERTIES AUTOMOC ON)
target_include_directories(pixawindows PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pixawindows PUBLIC pixaui pixacore Qt6::Widgets)

add_executable(pixamantler startup/main.cpp)
set_target_properties(pixamantler PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(pixamantler PRIVATE pixawindows)
include(GNUInstallDirs)
install(TARGETS pixamantler RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
