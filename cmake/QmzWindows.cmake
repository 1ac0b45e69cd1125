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

# A C host of the DLL's C interface, as on Linux (examples/c_host.c).
add_executable(c_host ${PROJECT_SOURCE_DIR}/examples/c_host.c)
target_include_directories(c_host PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(c_host PRIVATE qmzbaselist)

# A C++ host of the COM server, early-bound (docs/windows.md).
add_executable(com_host ${PROJECT_SOURCE_DIR}/examples/windows/com_host.cpp
  ${qmz_generated}/qmzbaselist_i.c)
target_include_directories(com_host PRIVATE ${qmz_generated}/..)
target_link_libraries(com_host PRIVATE ole32 oleaut32 uuid)

# The tests that are platform- and SQL-level, cross-built into one program and run under Wine
# (tests/windows/wine.sh as the emulator), and the Windows host under Wine
# (tests/windows/windows_test.sh): the command beside the Linux one, regsvr32, a VBScript host.
if(QMZ_BUILD_TESTS)
  enable_testing()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(qmz_windows_tests
    tests/platform/ledger_test.cpp tests/platform/record_store_test.cpp
    tests/platform/recordset_test.cpp tests/platform/variant_test.cpp
    tests/list_services/list_services_test.cpp tests/inventory/aux_query_test.cpp
    tests/inventory/gs1_label_test.cpp tests/inventory/inventory_rules_test.cpp
    tests/component/base_list_test.cpp tests/base_data_list/base_detail_test.cpp
    tests/batch/batch_query_test.cpp tests/suite/host_list_test.cpp
    tests/suite/odbc_pieces_test.cpp
    tests/suite/sqlite_connection_test.cpp tests/suite/tsql_adaption_test.cpp
    tests/windows/platform_windows_test.cpp tests/windows/com_values_test.cpp
    src/com/com_object.cpp src/com/com_result.cpp src/com/com_values.cpp)
  list(TRANSFORM qmz_windows_tests PREPEND ${PROJECT_SOURCE_DIR}/)
  add_executable(windows_unit_test ${qmz_windows_tests} ${qmz_generated}/qmzbaselist_i.c)
  target_include_directories(windows_unit_test PRIVATE ${PROJECT_SOURCE_DIR}/src
    ${PROJECT_SOURCE_DIR}/tests ${qmz_generated}/..)
  target_link_libraries(windows_unit_test PRIVATE qmz_cli gtest gmock gtest_main ole32 oleaut32
    uuid)
  add_test(NAME windows.UnitTests COMMAND windows_unit_test)
  set_tests_properties(windows.UnitTests PROPERTIES TIMEOUT 300)
  if(QMZ_LINUX_BASELIST)
    add_test(NAME windows.HostsUnderWine
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/windows_test.sh
        $<TARGET_FILE:baselist> $<TARGET_FILE:qmzbaselist> $<TARGET_FILE:com_host>
        $<TARGET_FILE:c_host>
        ${QMZ_LINUX_BASELIST}
        ${PROJECT_BINARY_DIR}/windows-test)
    set_tests_properties(windows.HostsUnderWine PROPERTIES TIMEOUT 600)
  endif()
endif()
