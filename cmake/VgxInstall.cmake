include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS Vgx7a vgx_settings EXPORT Vgx7aTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vgx DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT Vgx7aTargets NAMESPACE Vgx7a:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vgx7a)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Vgx7aConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/Vgx7aConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vgx7a)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/Vgx7aConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/Vgx7aConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/Vgx7aConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vgx7a)

# pkg-config: the prefix is found from the .pc file's own folder, so a staged or
# relocated install answers with its own paths.
file(RELATIVE_PATH VGX_PC_PREFIX_FROM_PCFILEDIR "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
configure_file(${CMAKE_CURRENT_LIST_DIR}/Vgx7a.pc.in ${CMAKE_CURRENT_BINARY_DIR}/Vgx7a.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/Vgx7a.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
