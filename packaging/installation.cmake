# Installation: `cmake --install <build> --prefix <P>` puts the app folder,
# self-contained (executable, engine library, skin/, an empty playlist/ and
# a first vantrel.config), in <P>/lib/vantrel; on Linux and the other
# freedesktop systems also a launcher <P>/bin/vantrel, the desktop entry
# <P>/share/applications/vantrel.desktop and the icon in
# <P>/share/icons/hicolor. Elsewhere the folder goes to <P>/vantrel.
if(UNIX AND NOT APPLE)
    set(vantrel_bureau ON)
    set(vantrel_dossier_defaut lib/vantrel)
else()
    set(vantrel_bureau OFF)
    set(vantrel_dossier_defaut vantrel)
endif()
set(VANTREL_INSTALL_APPDIR ${vantrel_dossier_defaut} CACHE STRING
    "The installed app folder, relative to the install prefix (or absolute)")

# The executable and the modules are installed (stripped when asked) into a
# folder of their own inside the app folder, then moved into place by
# a_l_installation.cmake: a rename gives the app folder new files, and a
# player running from it keeps the ones it has mapped. Written over in
# place, they killed it (SIGSEGV).
install(TARGETS vantrel RUNTIME DESTINATION ${VANTREL_INSTALL_APPDIR}/.installation)
install(TARGETS vantrel_moteur vantrel_ffmpeg LIBRARY DESTINATION ${VANTREL_INSTALL_APPDIR}/.installation)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/skin/ DESTINATION ${VANTREL_INSTALL_APPDIR}/skin)
install(DIRECTORY DESTINATION ${VANTREL_INSTALL_APPDIR}/playlist)

# At install time (a_l_installation.cmake): the executable and the modules
# moved into place with the sums of the modules as installed, the first
# vantrel.config and the desktop entry, which names the launcher by its
# installed path.
install(CODE "
    set(VANTREL_INSTALLATION_SOURCE [[${CMAKE_CURRENT_LIST_DIR}]])
    set(VANTREL_INSTALLATION_BINAIRE [[${CMAKE_BINARY_DIR}/installation]])
    set(VANTREL_INSTALL_APPDIR [[${VANTREL_INSTALL_APPDIR}]])
    set(VANTREL_BUREAU ${vantrel_bureau})
    set(VANTREL_TYPES_MIME [[${VANTREL_TYPES_MIME}]])
    set(VANTREL_INSCRIRE_SOMME [[$<TARGET_FILE:inscrire_somme>]])")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/a_l_installation.cmake)

if(vantrel_bureau)
    # The launcher finds the folder from its own place, so that the prefix
    # can be moved as a whole.
    if(IS_ABSOLUTE ${VANTREL_INSTALL_APPDIR})
        set(VANTREL_DOSSIER "\"${VANTREL_INSTALL_APPDIR}\"")
    else()
        file(RELATIVE_PATH vantrel_relatif /prefixe/bin /prefixe/${VANTREL_INSTALL_APPDIR})
        set(VANTREL_DOSSIER "\"$(dirname \"$(readlink -f \"$0\")\")/${vantrel_relatif}\"")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/vantrel.in ${CMAKE_BINARY_DIR}/installation/vantrel @ONLY)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/installation/vantrel DESTINATION bin)
    install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/icons/hicolor DESTINATION share/icons)
endif()
