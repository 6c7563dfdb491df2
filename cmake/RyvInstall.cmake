# `cmake --install` puts the library, its headers in their folders with the umbrella header,
# `ryvconvert` and a package configuration in place, so that another project can write
# find_package(ryvkit) and link ryvkit::ryvkit.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS ryvkit_static ryvkit EXPORT ryvkitTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS ryvconvert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/ryvkit.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ryvkit)
foreach(dir core ryvfile object animation scene character io formats)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ryvkit
          FILES_MATCHING PATTERN "*.h")
endforeach()

set(ryv_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ryvkit)
install(EXPORT ryvkitTargets NAMESPACE ryvkit:: DESTINATION ${ryv_cmake_dir})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/ryvkitConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/ryvkitConfig.cmake
                              INSTALL_DESTINATION ${ryv_cmake_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ryvkitConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ryvkitConfig.cmake ${CMAKE_BINARY_DIR}/ryvkitConfigVersion.cmake
        DESTINATION ${ryv_cmake_dir})
