# Puts the first settings (the installation's vantrel.config) into an app
# folder that has none, so that a first start there shows no missing-file
# message; a vantrel.config already there is the user's and stays as it is,
# unless it is an earlier version's untouched first settings
# (reglages_premiers.cmake).
#
#   cmake -DSOURCE=<shipped vantrel.config> -DCIBLE=<app folder>/vantrel.config -P config_initiale.cmake
if(NOT DEFINED SOURCE OR NOT DEFINED CIBLE)
    message(FATAL_ERROR "config_initiale.cmake: SOURCE and CIBLE are needed")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/reglages_premiers.cmake")
vantrel_reglages_a_poser("${CIBLE}" poser)
if(poser)
    file(COPY_FILE "${SOURCE}" "${CIBLE}")
endif()
