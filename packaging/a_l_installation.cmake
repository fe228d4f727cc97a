# Run by `cmake --install` after the app folder is in place (variables set
# by installation.cmake; CMAKE_INSTALL_PREFIX is the prefix of this run).

set(vantrel_dossier "${VANTREL_INSTALL_APPDIR}")
if(NOT IS_ABSOLUTE "${vantrel_dossier}")
    set(vantrel_dossier "${CMAKE_INSTALL_PREFIX}/${vantrel_dossier}")
endif()

# The sum beside each module (src/audio/somme_module.h) is that of the
# bytes installed: an installation that strips (the Debian package does)
# changes them after the build recorded its own.
file(MAKE_DIRECTORY "${VANTREL_INSTALLATION_BINAIRE}")
foreach(module libvantrel_moteur.so libvantrel_ffmpeg.so)
    set(somme "${VANTREL_INSTALLATION_BINAIRE}/${module}.crc32")
    execute_process(COMMAND "${VANTREL_INSCRIRE_SOMME}" "$ENV{DESTDIR}${vantrel_dossier}/${module}" "${somme}"
                    RESULT_VARIABLE echec)
    if(echec)
        message(FATAL_ERROR "No sum for the installed ${module}")
    endif()
    file(INSTALL DESTINATION "${vantrel_dossier}" TYPE FILE FILES "${somme}")
endforeach()

# The settings the close button writes on a first exit, so that a freshly
# installed player starts with its default skin and no message. Installed
# only where there is no vantrel.config yet: installing again keeps the
# user's settings.
if(NOT EXISTS "$ENV{DESTDIR}${vantrel_dossier}/vantrel.config")
    file(INSTALL DESTINATION "${vantrel_dossier}" TYPE FILE
         FILES "${VANTREL_INSTALLATION_SOURCE}/vantrel.config")
endif()

if(VANTREL_BUREAU)
    # The desktop entry starts the launcher by its full path, quoted as its
    # Exec key wants: \ " ` $ escaped inside the quotes, then every
    # backslash escaped once more as in any string value, % doubled.
    set(lanceur "${CMAKE_INSTALL_PREFIX}/bin/vantrel")
    string(REPLACE [[\]] [[\\]] lanceur "${lanceur}")
    string(REPLACE [["]] [[\"]] lanceur "${lanceur}")
    string(REPLACE [[`]] [[\`]] lanceur "${lanceur}")
    string(REPLACE [[$]] [[\$]] lanceur "${lanceur}")
    string(REPLACE [[\]] [[\\]] lanceur "${lanceur}")
    string(REPLACE "%" "%%" lanceur "${lanceur}")
    set(VANTREL_EXEC "\"${lanceur}\"")
    configure_file("${VANTREL_INSTALLATION_SOURCE}/vantrel.desktop.in"
                   "${VANTREL_INSTALLATION_BINAIRE}/vantrel.desktop" @ONLY)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
         FILES "${VANTREL_INSTALLATION_BINAIRE}/vantrel.desktop")
endif()
