# The shared library libqmzbaselist.so.1: every folder library whole, behind the C interface of
# src/capi, exporting only that interface and the public C++ API (qmzbaselist.map). Installed
# with a pkg-config file, in the CMake package as QMZBaseList::qmzbaselist, and with the Python
# package of python/.
enable_language(C)  # the C hosts and tests
file(GLOB QMZ_CAPI_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/capi/*.cpp)
add_library(qmzbaselist SHARED ${QMZ_CAPI_SOURCES})
set_target_properties(qmzbaselist PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/qmzbaselist.map)
target_compile_definitions(qmzbaselist PRIVATE QMZ_VERSION="${PROJECT_VERSION}")
target_include_directories(qmzbaselist
  PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:include>
  PRIVATE ${PROJECT_SOURCE_DIR}/src)
# The folder libraries go in whole, so that the public C++ API they define is all there; listed
# again after, they bring their own dependencies (SQLite, unixODBC, Qt) as shared libraries.
set(qmz_whole)
foreach(library IN LISTS QMZ_INSTALLED_LIBRARIES)
  list(APPEND qmz_whole $<TARGET_FILE:${library}>)
endforeach()
target_link_libraries(qmzbaselist PRIVATE
  -Wl,--whole-archive ${qmz_whole} -Wl,--no-whole-archive
  ${QMZ_INSTALLED_LIBRARIES} qmz_cli
  -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/qmzbaselist.map -Wl,--no-undefined)
add_dependencies(qmzbaselist ${QMZ_INSTALLED_LIBRARIES})

install(TARGETS qmzbaselist EXPORT QMZBaseListTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# pkg-config: relative to the file, so that an install moved elsewhere (a scratch root) works.
file(RELATIVE_PATH QMZ_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
set(QMZ_PC_LINK_FLAGS "")
if(QMZ_SANITIZE)
  set(QMZ_PC_LINK_FLAGS "-fsanitize=address,undefined")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/qmzbaselist.pc.in
  ${PROJECT_BINARY_DIR}/qmzbaselist.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qmzbaselist.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Python package, in the folder the system's interpreter searches for this prefix: Debian's
# lib/python3/dist-packages under /usr, lib/python3.X/dist-packages under any other prefix.
find_program(QMZ_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(QMZ_PYTHON NAMES python3)
if(NOT QMZ_PYTHON_DIR)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(QMZ_PYTHON_DIR lib/python3/dist-packages)
  else()
    execute_process(COMMAND ${QMZ_PYTHON} -c
      "import sys; print('python%d.%d' % sys.version_info[:2])"
      OUTPUT_VARIABLE qmz_python_version OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(QMZ_PYTHON_DIR lib/${qmz_python_version}/dist-packages)
  endif()
endif()
file(GLOB QMZ_PYTHON_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/qmzbaselist/*.py)
file(RELATIVE_PATH QMZ_PYTHON_TO_LIBDIR /prefix/${QMZ_PYTHON_DIR}/qmzbaselist
  /prefix/${CMAKE_INSTALL_LIBDIR})
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/python/_installed.py CONTENT
  "# Written by the install: where the library lies, from this folder.\nLIBRARY_DIR = \"${QMZ_PYTHON_TO_LIBDIR}\"\n")
install(FILES ${QMZ_PYTHON_SOURCES} ${PROJECT_BINARY_DIR}/python/_installed.py
  DESTINATION ${QMZ_PYTHON_DIR}/qmzbaselist)
