# Run by `cmake --install` after the app folder is in place (variables set
# by installation.cmake; CMAKE_INSTALL_PREFIX is the prefix of this run).

set(vantrel_dossier "${VANTREL_INSTALL_APPDIR}")
if(NOT IS_ABSOLUTE "${vantrel_dossier}")
    set(vantrel_dossier "${CMAKE_INSTALL_PREFIX}/${vantrel_dossier}")
endif()

# The executable and the modules, installed (and stripped when asked) in
# .installation, are moved into the app folder by a rename, each module's
# sum first: the files a running player has mapped are replaced, never
# written over. The sum beside each module (src/audio/somme_module.h) is
# that of the bytes installed: an installation that strips (the Debian
# package does) changes them after the build recorded its own.
file(MAKE_DIRECTORY "${VANTREL_INSTALLATION_BINAIRE}")
set(vantrel_attente "$ENV{DESTDIR}${vantrel_dossier}/.installation")
foreach(fichier libvantrel_moteur.so libvantrel_ffmpeg.so vantrel)
    set(nouveau "${vantrel_attente}/${fichier}")
    set(place "$ENV{DESTDIR}${vantrel_dossier}/${fichier}")
    if(fichier MATCHES "[.]so$")
        execute_process(COMMAND "${VANTREL_INSCRIRE_SOMME}" "${nouveau}" "${nouveau}.crc32" RESULT_VARIABLE echec)
        if(echec)
            message(FATAL_ERROR "No sum for the installed ${fichier}")
        endif()
        file(RENAME "${nouveau}.crc32" "${place}.crc32")
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${place}.crc32")
    endif()
    message(STATUS "Moving into place: ${place}")
    file(RENAME "${nouveau}" "${place}")
    list(REMOVE_ITEM CMAKE_INSTALL_MANIFEST_FILES "${nouveau}")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${place}")
endforeach()
file(REMOVE_RECURSE "${vantrel_attente}")

# The settings the close button writes on a first exit, so that a freshly
# installed player starts with its default skin and no message. Installed
# only where there is no vantrel.config yet, or an earlier version's
# untouched first settings (reglages_premiers.cmake): installing again
# keeps the user's settings.
include("${VANTREL_INSTALLATION_SOURCE}/reglages_premiers.cmake")
vantrel_reglages_a_poser("$ENV{DESTDIR}${vantrel_dossier}/vantrel.config" poser)
if(poser)
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
