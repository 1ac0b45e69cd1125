# The Windows build (cmake/mingw-w64.cmake, ./run.sh build-windows, docs/windows.md): the DLL
# qmzbaselist.dll (the C interface of src/capi and the COM server of src/com, with its type
# library made by widl from src/com/qmzbaselist.idl and embedded as a resource) and the tests.
# The command baselist.exe is made as on Linux.
find_program(QMZ_WIDL widl REQUIRED)
set(qmz_idl ${PROJECT_SOURCE_DIR}/src/com/qmzbaselist.idl)
set(qmz_generated ${PROJECT_BINARY_DIR}/generated/com)
file(MAKE_DIRECTORY ${qmz_generated})
set(qmz_widl ${QMZ_WIDL} -m64 -I/usr/include/wine/wine/windows)
add_custom_command(
  OUTPUT ${qmz_generated}/qmzbaselist.h ${qmz_generated}/qmzbaselist_i.c
    ${qmz_generated}/qmzbaselist.tlb
  COMMAND ${qmz_widl} -h -H ${qmz_generated}/qmzbaselist.h ${qmz_idl}
  COMMAND ${qmz_widl} -u -U ${qmz_generated}/qmzbaselist_i.c ${qmz_idl}
  COMMAND ${qmz_widl} -t -T ${qmz_generated}/qmzbaselist.tlb ${qmz_idl}
  DEPENDS ${qmz_idl}
  COMMENT "widl: the COM interfaces and type library")
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/com/qmzbaselist.rc PROPERTIES
  OBJECT_DEPENDS ${qmz_generated}/qmzbaselist.tlb)

file(GLOB QMZ_CAPI_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/capi/*.cpp)
file(GLOB QMZ_COM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/com/*.cpp)
enable_language(RC)
add_library(qmzbaselist SHARED ${QMZ_CAPI_SOURCES} ${QMZ_COM_SOURCES}
  ${qmz_generated}/qmzbaselist_i.c ${PROJECT_SOURCE_DIR}/src/com/qmzbaselist.rc
  ${PROJECT_SOURCE_DIR}/src/com/qmzbaselist.def)
set_target_properties(qmzbaselist PROPERTIES PREFIX "" OUTPUT_NAME qmzbaselist)
target_compile_definitions(qmzbaselist PRIVATE QMZ_VERSION="${PROJECT_VERSION}" QMZ_BUILDING_DLL)
target_include_directories(qmzbaselist PRIVATE ${PROJECT_SOURCE_DIR}/src ${qmz_generated}/..)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/com/qmzbaselist.rc APPEND PROPERTY
  COMPILE_OPTIONS "-I${qmz_generated}")
target_link_libraries(qmzbaselist PRIVATE qmz_cli ole32 oleaut32 uuid)
