# Runs the asset tool twice into fresh folders and requires the same files with the same bytes
# in both runs and in the build's own asset folder.
#   cmake -DPYTHON=... -DTOOL=... -DWORK_DIR=... -DBUILT_DIR=... -P CheckAssetsDeterministic.cmake

foreach(run first second)
  file(REMOVE_RECURSE ${WORK_DIR}/${run})
  execute_process(COMMAND ${PYTHON} -B ${TOOL} ${WORK_DIR}/${run} COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB names_${run} RELATIVE ${WORK_DIR}/${run} ${WORK_DIR}/${run}/*)
  list(SORT names_${run})
endforeach()
file(GLOB names_built RELATIVE ${BUILT_DIR} ${BUILT_DIR}/*)
list(SORT names_built)

if(NOT names_first)
  message(FATAL_ERROR "the tool wrote nothing")
endif()
if(NOT names_first STREQUAL names_second OR NOT names_first STREQUAL names_built)
  message(FATAL_ERROR "different files:\n first ${names_first}\n second ${names_second}\n"
                      " built ${names_built}")
endif()

set(differing "")
foreach(name IN LISTS names_first)
  file(SHA256 ${WORK_DIR}/first/${name} first)
  file(SHA256 ${WORK_DIR}/second/${name} second)
  file(SHA256 ${BUILT_DIR}/${name} built)
  if(NOT first STREQUAL second OR NOT first STREQUAL built)
    list(APPEND differing ${name})
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "bytes differ between runs: ${differing}")
endif()
list(LENGTH names_first count)
message(STATUS "${count} assets, identical in both runs and in the build")
