# `make deb`: a Debian package of the installed layout under /usr (the app
# folder in /usr/lib/vantrel, the launcher /usr/bin/vantrel, the desktop
# entry, the icons), with the AppStream description, the copyright file and
# the changelog. Run-time dependencies come from the shared libraries that
# the executable and the engine link (dpkg-shlibdeps).
if(NOT (UNIX AND NOT APPLE))
    return()
endif()

set(VANTREL_ID_APPSTREAM org.vantrel.vantrel)
set(VANTREL_MAINTENEUR "vantrel developers <vantrel@lists.vantrel.org>" CACHE STRING
    "The Maintainer field of the Debian package")
set(VANTREL_URL "https://vantrel.org/" CACHE STRING "The project's home page, named by the package")
# The release of this version: its date in the AppStream file and the
# changelog (fixed, so that the package is the same whenever it is built).
set(VANTREL_DATE_VERSION 2026-12-08)
set(VANTREL_DATE_CHANGELOG "Tue, 08 Dec 2026 12:00:00 +0000")

set(vantrel_doc ${CMAKE_BINARY_DIR}/paquet)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vantrel.metainfo.xml.in
               ${vantrel_doc}/${VANTREL_ID_APPSTREAM}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${vantrel_doc}/changelog @ONLY)
# The changelog compressed as Debian wants it: best compression, no name or
# time stamp in the header (gzip -9n).
add_custom_command(OUTPUT ${vantrel_doc}/changelog.gz
    COMMAND sh -c "gzip -9nc changelog > changelog.gz"
    WORKING_DIRECTORY ${vantrel_doc} DEPENDS ${vantrel_doc}/changelog VERBATIM)
add_custom_command(OUTPUT ${vantrel_doc}/vantrel.1.gz
    COMMAND sh -c "gzip -9nc '${CMAKE_CURRENT_LIST_DIR}/vantrel.1' > vantrel.1.gz"
    WORKING_DIRECTORY ${vantrel_doc} DEPENDS ${CMAKE_CURRENT_LIST_DIR}/vantrel.1 VERBATIM)
add_custom_target(vantrel_changelog ALL DEPENDS ${vantrel_doc}/changelog.gz ${vantrel_doc}/vantrel.1.gz)

install(FILES ${vantrel_doc}/${VANTREL_ID_APPSTREAM}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${vantrel_doc}/changelog.gz DESTINATION share/doc/vantrel)
install(FILES ${vantrel_doc}/vantrel.1.gz DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "vantrel")
set(CPACK_PACKAGE_CONTACT "${VANTREL_MAINTENEUR}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "skinnable audio player")
set(CPACK_PACKAGE_DESCRIPTION "vantrel is a skinnable desktop audio player with a French interface.
Its borderless main window is drawn entirely from skin bitmaps. Build a
play list by dropping files, with the file dialog or from the command
line; play it with repeat, random or looping; set volume, balance and
position with image sliders; keep named play lists; hide the player in
the notification area. Every format FFmpeg reads plays (MP3, WAV, WMA,
Ogg, FLAC...). Each user's settings and play lists are kept in their own
folders.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The install scripts name installed paths (the desktop entry's launcher):
# they must see /usr, with the files staged under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTREL_MAINTENEUR}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANTREL_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The PulseAudio client library is opened at run time, when a server is
# there; without it the player plays through SDL2, which is opened at run
# time too, and so named here (dpkg-shlibdeps cannot see it).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libpulse0)
# libsndfile decodes WAV, FLAC, Ogg and MP3; MP3 came with its 1.1 (through
# mpg123), hence the version, which dpkg-shlibdeps would not ask for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.18), libsndfile1 (>= 1.1.0)")
# The player asks for X11 first (XWayland on a Wayland session): its
# plug-in comes with libqt6gui6, which the executable links, with all the
# X libraries that plug-in needs. The native Wayland plug-in, used only
# where no X server runs, is a suggestion.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS qt6-wayland)
# The engine is opened from beside the executable: a private library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/app)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
