# What the Linux build finds as packages, for the Windows build (cmake/mingw-w64.cmake): SQLite
# compiled from its amalgamation, and the header-only CLI11 and nlohmann/json, all prepared in
# QMZ_WINDOWS_DEPS by ./run.sh build-windows (scripts/windows.sh).
if(NOT QMZ_WINDOWS_DEPS)
  message(FATAL_ERROR "QMZ_WINDOWS_DEPS: the folder ./run.sh build-windows prepares")
endif()
enable_language(C)
add_library(qmz_sqlite3 STATIC ${QMZ_WINDOWS_DEPS}/sqlite/sqlite3.c)
target_include_directories(qmz_sqlite3 SYSTEM PUBLIC ${QMZ_WINDOWS_DEPS}/sqlite)
# Serialized threading, as Debian builds it; the suite uses no optional extension. -O2, as
# SQLite's own builds are made (-O3 takes 40% longer to compile the amalgamation).
target_compile_definitions(qmz_sqlite3 PRIVATE SQLITE_THREADSAFE=1)
target_compile_options(qmz_sqlite3 PRIVATE -w -O2)
add_library(SQLite::SQLite3 ALIAS qmz_sqlite3)

add_library(qmz_header_only INTERFACE)
target_include_directories(qmz_header_only SYSTEM INTERFACE ${QMZ_WINDOWS_DEPS}/include)
add_library(CLI11::CLI11 ALIAS qmz_header_only)
add_library(nlohmann_json::nlohmann_json ALIAS qmz_header_only)
