# Installs the library (its folder libraries behind one target QMZBaseList::QMZBaseList), the
# public headers and a CMake package, so a host writes find_package(QMZBaseList).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(QMZBaseList INTERFACE)
target_link_libraries(QMZBaseList INTERFACE ${QMZ_INSTALLED_LIBRARIES})
add_library(QMZBaseList::QMZBaseList ALIAS QMZBaseList)

install(TARGETS QMZBaseList ${QMZ_INSTALLED_LIBRARIES} EXPORT QMZBaseListTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qmz DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QMZBaseListTargets NAMESPACE QMZBaseList::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QMZBaseList)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QMZBaseListConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QMZBaseListConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QMZBaseList)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QMZBaseListConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QMZBaseListConfig.cmake
  ${PROJECT_BINARY_DIR}/QMZBaseListConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QMZBaseList)
if(QMZ_SANITIZE)
  # Libraries built with the sanitizers need their runtime in every host that links them.
  target_link_options(QMZBaseList INTERFACE -fsanitize=address,undefined)
endif()
