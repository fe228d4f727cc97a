# Puts the first settings (the installation's vantrel.config) into an app
# folder that has none, so that a first start there shows no missing-file
# message; a vantrel.config already there is the user's and stays as it is.
#
#   cmake -DSOURCE=<shipped vantrel.config> -DCIBLE=<app folder>/vantrel.config -P config_initiale.cmake
if(NOT DEFINED SOURCE OR NOT DEFINED CIBLE)
    message(FATAL_ERROR "config_initiale.cmake: SOURCE and CIBLE are needed")
endif()
if(NOT EXISTS "${CIBLE}" AND NOT IS_SYMLINK "${CIBLE}")
    file(COPY_FILE "${SOURCE}" "${CIBLE}")
endif()
