# Installs the libraries, the headers and a CMake package so that an experiment can say
# find_package(Lumidraft) and link Lumidraft::lumidraft Lumidraft::main.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_lumidraft_targets lumidraft)
if(TARGET lumidraft_main)
  list(APPEND _lumidraft_targets lumidraft_main)
endif()
install(TARGETS ${_lumidraft_targets} EXPORT LumidraftTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/lumidraft.h DESTINATION include/lumidraft)
foreach(dir app geometry timing platform canvas image matrix waves console files)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/ DESTINATION include/lumidraft/${dir}
    FILES_MATCHING PATTERN "*.h")
endforeach()
if(TARGET lumidraft-demo)
  install(TARGETS lumidraft-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT LumidraftTargets NAMESPACE Lumidraft:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lumidraft)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LumidraftConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LumidraftConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lumidraft)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LumidraftConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LumidraftConfig.cmake ${PROJECT_BINARY_DIR}/LumidraftConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lumidraft)
