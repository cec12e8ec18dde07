# Installs the build into a scratch prefix, then configures and builds an experiment that finds
# it with find_package(Lumidraft). Fails on any step that fails.
foreach(var BUILD_DIR EXPERIMENT_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
  RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "install failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${EXPERIMENT_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Release RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "configuring the experiment failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "building the experiment failed: ${result}")
endif()
