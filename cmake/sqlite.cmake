# SQLite for the photo index. The native build links Debian's libsqlite3-dev; the MinGW build
# compiles the amalgamation that scripts/fetch-sqlite.sh makes from Debian's sqlite3 source
# package, statically, so that the .scr needs no sqlite3.dll beside it.
get_filename_component(_lumora_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(WIN32)
  set(LUMORA_SQLITE_SOURCE_DIR "${_lumora_root}/build/deps/sqlite-src"
      CACHE PATH "SQLite's amalgamation made from Debian's sqlite3 source package")
  if(NOT EXISTS "${LUMORA_SQLITE_SOURCE_DIR}/sqlite3.c")
    message(FATAL_ERROR
      "SQLite sources not found: ${LUMORA_SQLITE_SOURCE_DIR}/sqlite3.c is missing.\n"
      "Run `bash scripts/fetch-sqlite.sh` (or `./lumora deps`) first.")
  endif()
  add_library(lumora_sqlite STATIC "${LUMORA_SQLITE_SOURCE_DIR}/sqlite3.c")
  target_include_directories(lumora_sqlite PUBLIC "${LUMORA_SQLITE_SOURCE_DIR}")
  # What the index does not use stays out: extensions loaded from DLLs, shared cache,
  # the deprecated calls. Threads are safe (SQLITE_THREADSAFE's default).
  target_compile_definitions(lumora_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_SHARED_CACHE
                             SQLITE_OMIT_DEPRECATED SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_DQS=0)
  set_target_properties(lumora_sqlite PROPERTIES C_STANDARD 99)
  # Third-party code: its warnings are not ours to fix.
  target_compile_options(lumora_sqlite PRIVATE -w)
  set(LUMORA_SQLITE lumora_sqlite)
else()
  find_package(SQLite3 REQUIRED)
  set(LUMORA_SQLITE SQLite::SQLite3)
endif()
