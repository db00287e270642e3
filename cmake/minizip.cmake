# minizip (zlib's contrib/minizip) built from Debian's zlib source package, for the native
# and the MinGW build alike. Debian's binary libminizip has decryption compiled out, and the
# resource archive is encrypted; scripts/fetch-minizip.sh puts the sources in build/deps.
get_filename_component(_lumora_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(LUMORA_MINIZIP_SOURCE_DIR "${_lumora_root}/build/deps/zlib-src/contrib/minizip"
    CACHE PATH "contrib/minizip of Debian's zlib source package")

set(_minizip_dir "${LUMORA_MINIZIP_SOURCE_DIR}")
foreach(_file unzip.c unzip.h ioapi.c ioapi.h zip.c zip.h crypt.h)
  if(NOT EXISTS "${_minizip_dir}/${_file}")
    message(FATAL_ERROR
      "minizip sources not found: ${_minizip_dir}/${_file} is missing.\n"
      "Run `bash scripts/fetch-minizip.sh` (or `./lumora deps`) first, or point "
      "LUMORA_MINIZIP_SOURCE_DIR at the contrib/minizip folder of Debian's zlib sources.")
  endif()
endforeach()

# unzip.c turns decryption off for itself ("#ifndef NOUNCRYPT / #define NOUNCRYPT / #endif"
# near its top); a copy without those three lines decrypts. Regenerated whenever the
# original changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_minizip_dir}/unzip.c")
file(READ "${_minizip_dir}/unzip.c" _unzip_text)
string(REGEX REPLACE "#ifndef NOUNCRYPT[ \t]*\r?\n[ \t]*#define NOUNCRYPT[ \t]*\r?\n[ \t]*#endif[ \t]*\r?\n"
       "" _unzip_decrypting "${_unzip_text}")
if(_unzip_decrypting STREQUAL _unzip_text)
  message(FATAL_ERROR
    "${_minizip_dir}/unzip.c: the NOUNCRYPT block that switches decryption off was not "
    "found; this minizip version is not the one the resource reader was written for.")
endif()
set(_minizip_gen_dir "${CMAKE_BINARY_DIR}/minizip")
# Written through configure_file so that an unchanged copy keeps its time stamp and a
# reconfigure rebuilds nothing.
file(WRITE "${_minizip_gen_dir}/unzip.c.new" "${_unzip_decrypting}")
configure_file("${_minizip_gen_dir}/unzip.c.new" "${_minizip_gen_dir}/unzip.c" COPYONLY)

# zlib for the platform. The MinGW build links the static libz.a so that the .scr and
# the tests need no zlib1.dll beside them.
if(WIN32)
  find_library(LUMORA_MINGW_ZLIB NAMES libz.a
               PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH)
  if(NOT LUMORA_MINGW_ZLIB)
    message(FATAL_ERROR "static zlib for MinGW not found (install libz-mingw-w64-dev)")
  endif()
  set(_minizip_zlib "${LUMORA_MINGW_ZLIB}")
else()
  find_package(ZLIB REQUIRED)
  set(_minizip_zlib ZLIB::ZLIB)
endif()

add_library(lumora_minizip STATIC
  "${_minizip_gen_dir}/unzip.c"
  "${_minizip_dir}/ioapi.c"
  "${_minizip_dir}/zip.c")
# The generated unzip.c includes unzip.h and crypt.h from the original folder.
target_include_directories(lumora_minizip PUBLIC "${_minizip_dir}")
target_link_libraries(lumora_minizip PUBLIC ${_minizip_zlib})
set_target_properties(lumora_minizip PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
# Third-party code: its warnings are not ours to fix.
target_compile_options(lumora_minizip PRIVATE -w)
