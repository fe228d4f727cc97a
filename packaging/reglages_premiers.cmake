# Which vantrel.config the first settings go over, for the build's app
# folder (config_initiale.cmake) and the installation (a_l_installation.cmake).
#
# A missing file gets them. One that is still, byte for byte, the first
# settings an earlier version put in place holds nothing the user chose
# (the close button writes exactly that text while nothing was changed):
# it gets the shipped ones, so that an existing build or installation
# starts as a new one does, its play list looping. Any other file is the
# user's and is kept, as is a link, followed by nothing.

# Every earlier shipped vantrel.config, one entry each.
set(VANTREL_PREMIERS_REGLAGES_ANCIENS [["skin/default/""default.sk""194""235""playlist/""false"]])

# vantrel_reglages_a_poser(<vantrel.config> <result variable>)
function(vantrel_reglages_a_poser fichier resultat)
    set(poser FALSE)
    if(IS_SYMLINK "${fichier}" OR IS_DIRECTORY "${fichier}")
        set(poser FALSE)
    elseif(NOT EXISTS "${fichier}")
        set(poser TRUE)
    else()
        file(READ "${fichier}" contenu)
        foreach(ancienne IN LISTS VANTREL_PREMIERS_REGLAGES_ANCIENS)
            if(contenu STREQUAL ancienne)
                set(poser TRUE)
            endif()
        endforeach()
    endif()
    set(${resultat} ${poser} PARENT_SCOPE)
endfunction()
