cmake_minimum_required(VERSION 3.25)
# Installs the build into ROOT/usr and runs the installed melquon-cli with HOME in ROOT/home
# and no Melquon.ini beside it: it must make ~/.config/melquon with the sample settings reading
# the installed sample archive, keep its log there and count positions on the sample.
file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${ROOT}/usr
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(installed bin/melquon-cli share/melquon/Melquon.ini share/melquon/archive/RTS_090112.txt
        share/doc/melquon/user-guide.html)
  if(NOT EXISTS ${ROOT}/usr/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
if(EXISTS ${ROOT}/usr/bin/Melquon.ini)
  message(FATAL_ERROR "a settings file beside the installed programs")
endif()
file(MAKE_DIRECTORY ${ROOT}/home)
execute_process(COMMAND env HOME=${ROOT}/home XDG_CONFIG_HOME= LC_ALL=C
                        ${ROOT}/usr/bin/melquon-cli --threads 2
                WORKING_DIRECTORY ${ROOT}
                OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed melquon-cli failed (${status}): ${errors}")
endif()
set(folder ${ROOT}/home/.config/melquon)
foreach(kept Melquon.ini Melquon.log report.txt)
  if(NOT EXISTS ${folder}/${kept})
    message(FATAL_ERROR "no ${kept} in ${folder}")
  endif()
endforeach()
file(READ ${folder}/Melquon.ini settings)
if(NOT settings MATCHES "ArchivePath=${ROOT}/usr/share/melquon/archive/")
  message(FATAL_ERROR "the user's settings do not read the installed archive:\n${settings}")
endif()
if(NOT report MATCHES "закрыто позиций: [1-9]")
  message(FATAL_ERROR "the report counts no positions:\n${report}")
endif()
