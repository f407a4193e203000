# cmake -DSOURCE=<file> -DDESTINATION=<file> -P copy_if_missing.cmake
# Copies SOURCE to DESTINATION only when DESTINATION doesn't exist: a settings file the user
# has edited beside the program is never replaced by the build.
if(NOT DEFINED SOURCE OR NOT DEFINED DESTINATION)
  message(FATAL_ERROR "copy_if_missing.cmake needs -DSOURCE=... and -DDESTINATION=...")
endif()
if(NOT EXISTS "${DESTINATION}")
  get_filename_component(destination_dir "${DESTINATION}" DIRECTORY)
  file(MAKE_DIRECTORY "${destination_dir}")
  file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
