# The desktop viewer: windows and dialogs on Qt 6 Widgets over quorlin-core.
add_library(quorlin-gui STATIC
  app/UApplication.cpp
  app/UDialogs.cpp
  app/UFrm_Progress.cpp
  app/UMain.cpp
)
set_target_properties(quorlin-gui PROPERTIES AUTOMOC ON)
target_include_directories(quorlin-gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorlin-gui PUBLIC quorlin-core Qt6::Widgets Qt6::OpenGLWidgets)

add_executable(quorlin-viewer app/main.cpp)
target_link_libraries(quorlin-viewer PRIVATE quorlin-gui)
