# What `cmake --install` puts where, and the Debian package cpack makes of
# it.  The layout is relative to the prefix, so an installed tree can be
# moved: the program finds its data as <exe dir>/../share/lumora.
#
#   bin/lumora, bin/lumora-replay
#   share/lumora/{cg,bmp,mdl,wav,dsvl}        read-only data
#   share/applications/lumora.desktop
#   share/icons/hicolor/NxN/apps/lumora.png   rendered by tools/make_icon
#   share/man/man1/lumora.1.gz
include(GNUInstallDirs)

set(LUMORA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/lumora)

install(TARGETS lumora lumora-replay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# data/capture/ is where a development run writes its shots and recordings;
# an installed program writes to the user's picture and video folders.
install(DIRECTORY
    ${CMAKE_SOURCE_DIR}/data/cg ${CMAKE_SOURCE_DIR}/data/bmp ${CMAKE_SOURCE_DIR}/data/mdl
    ${CMAKE_SOURCE_DIR}/data/wav ${CMAKE_SOURCE_DIR}/data/dsvl
  DESTINATION ${LUMORA_INSTALL_DATADIR})

install(FILES ${CMAKE_SOURCE_DIR}/packaging/lumora.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon: drawn by our own tool at each size desktops look for, so no size
# is a blurry scale of another.  Only this tool writes PNG.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(make_icon PRIVATE PkgConfig::PNG)
set(LUMORA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_files)
foreach(size ${LUMORA_ICON_SIZES})
  set(dir ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps)
  add_custom_command(OUTPUT ${dir}/lumora.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND make_icon ${size} ${dir}/lumora.png
    DEPENDS make_icon
    COMMENT "Drawing the ${size}x${size} icon")
  list(APPEND icon_files ${dir}/lumora.png)
endforeach()
add_custom_target(lumora_icons ALL DEPENDS ${icon_files})
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Debian wants manual pages compressed, without a time stamp in the header
# (-n) so that two builds give the same package.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/man/lumora.1.gz)
add_custom_command(OUTPUT ${man_page}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/docs/lumora.1 > ${man_page}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/lumora.1
  COMMENT "Compressing the manual page")
add_custom_target(lumora_man ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---- Debian package: `cpack -G DEB` in the build folder ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane <lumora@korvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "webcam monitor with effects and motion recording")
set(CPACK_PACKAGE_DESCRIPTION
  "Lumora shows the live picture of one or two cameras in an OpenGL window
and works on it in real time: view modes (zoom, effect programs, split
screen, image swap), motion detection with snapshots, an alarm sound and
recording, AVI recording and BMP screenshots, an on-screen overlay and a
typed console.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # lumora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps.  GStreamer elements are plugins,
# loaded by name at run time, so their packages are named here:
# -base holds videotestsrc, videoconvert, videoscale, appsrc and appsink;
# -good the camera source (v4l2), videoflip and jpegenc (Motion JPEG).
# Mesa's drivers draw the window where no vendor driver is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, libgl1-mesa-dri")
# The H.264 (x264enc) and MPEG-4 (avenc_mpeg4) compressions are
# offered only when their plugin is there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
include(CPack)
