find_package(PkgConfig REQUIRED)

# The sound player component: platform glue over GStreamer, kept out of the
# core and free of Qt. The windows use it through quorlin-gui.
pkg_check_modules(GSTREAMER REQUIRED IMPORTED_TARGET gstreamer-1.0)
add_library(quorlin-sound STATIC media/ZDSMD.cpp)
target_include_directories(quorlin-sound PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorlin-sound PRIVATE PkgConfig::GSTREAMER)

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
  media/UFrm_SND.cpp
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
target_link_libraries(quorlin-gui PUBLIC quorlin-core quorlin-sound Qt6::Widgets Qt6::OpenGLWidgets)
# Textures are uploaded through OpenGL 1.1 and GLU's mipmap builder.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
target_link_libraries(quorlin-gui PRIVATE OpenGL::GL OpenGL::GLU)
# ImageMagick decodes the picture formats Qt has no reader for (TGA, PCX, PSD, SGI).
target_link_libraries(quorlin-gui PRIVATE quorlin-magick)

add_executable(quorlin-viewer app/main.cpp)
target_link_libraries(quorlin-viewer PRIVATE quorlin-gui)

# The interface language files, kept in the source tree, beside the executable.
file(GLOB QUORLIN_LANGUAGE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/Language/*.ini)
set(QUORLIN_INSTALLED_LANGUAGE_FILES)
foreach(language_file ${QUORLIN_LANGUAGE_FILES})
  get_filename_component(language_name ${language_file} NAME)
  set(installed ${QUORLIN_OUTPUT_DIR}/Language/${language_name})
  add_custom_command(OUTPUT ${installed}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${language_file} ${installed}
    DEPENDS ${language_file}
    COMMENT "Installing the language file ${language_name}")
  list(APPEND QUORLIN_INSTALLED_LANGUAGE_FILES ${installed})
endforeach()
add_custom_target(quorlin-languages ALL DEPENDS ${QUORLIN_INSTALLED_LANGUAGE_FILES})
add_dependencies(quorlin-viewer quorlin-languages)
