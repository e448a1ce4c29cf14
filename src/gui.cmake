# The desktop viewer: windows and dialogs on Qt 6 Widgets over quorlin-core.
add_library(quorlin-gui STATIC
  app/About.cpp
  app/UApplication.cpp
  app/UCTRAD.cpp
  app/UDialogs.cpp
  app/UFrm_Option.cpp
  app/UFrm_Progress.cpp
  app/UListModel.cpp
  app/UMain.cpp
  archives/UArchiveBrowser.cpp
  archives/UFrm_BIF.cpp
  archives/UFrm_ModView.cpp
  archives/UPreview.cpp
  formats/UFrm_2DA.cpp
  formats/UFrm_2DAPreview.cpp
  formats/UFrm_SSF.cpp
  formats/UFrm_TLK.cpp
  formats/UFrm_TXT.cpp
  formats/UFrm_UTX.cpp
  formats/UFrm_UTXPreview.cpp
  media/UFrm_IMG.cpp
  media/UImageDecoders.cpp
  packer/UFrm_ModEdit.cpp
  model/UCTexture.cpp
  model/UCMDLDraw.cpp
  model/UFrm_MDL.cpp
  model/UFrm_PLT.cpp
)
set_target_properties(quorlin-gui PROPERTIES AUTOMOC ON)
target_compile_definitions(quorlin-gui PRIVATE QUORLIN_VERSION="${PROJECT_VERSION}")
target_include_directories(quorlin-gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorlin-gui PUBLIC quorlin-core Qt6::Widgets Qt6::OpenGLWidgets)
# Textures are uploaded through OpenGL 1.1 and GLU's mipmap builder.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
target_link_libraries(quorlin-gui PRIVATE OpenGL::GL OpenGL::GLU)
# ImageMagick decodes the picture formats Qt has no reader for (TGA, PCX, PSD, SGI).
find_package(PkgConfig REQUIRED)
pkg_check_modules(MAGICKPP REQUIRED IMPORTED_TARGET Magick++)
target_link_libraries(quorlin-gui PRIVATE PkgConfig::MAGICKPP)

add_executable(quorlin-viewer app/main.cpp)
target_link_libraries(quorlin-viewer PRIVATE quorlin-gui)
