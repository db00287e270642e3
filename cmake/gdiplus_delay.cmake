# gdiplus.dll as a delay import. It is no known DLL, so as an ordinary import the Windows
# loader would look for it in the program's own folder before the system folder, before any
# of our code runs. A delay-import library, made with dlltool from the names in MinGW's
# import library, binds each GDI+ function on its first call instead; by then the saver has
# loaded the system folder's gdiplus.dll itself.
# Defines LUMORA_GDIPLUS_DELAY_LIB, the path of the library to link before gdiplus.
execute_process(COMMAND "${CMAKE_C_COMPILER}" -print-file-name=libgdiplus.a
                OUTPUT_VARIABLE gdiplus_import OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS "${gdiplus_import}" OR NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
  message(FATAL_ERROR "gdiplus delay import: need libgdiplus.a, nm and dlltool (got '${gdiplus_import}')")
endif()
set(gdiplus_dir "${CMAKE_BINARY_DIR}/gdiplus_delay")
set(LUMORA_GDIPLUS_DELAY_LIB "${gdiplus_dir}/libgdiplus_delay.a")
file(MAKE_DIRECTORY "${gdiplus_dir}")
execute_process(COMMAND "${CMAKE_NM}" --defined-only "${gdiplus_import}"
                OUTPUT_VARIABLE gdiplus_symbols RESULT_VARIABLE nm_result)
string(REGEX MATCHALL "[ \t]T [A-Za-z_][A-Za-z0-9_]*" gdiplus_exports "${gdiplus_symbols}")
set(gdiplus_def "LIBRARY gdiplus.dll\nEXPORTS\n")
foreach(entry ${gdiplus_exports})
  string(REGEX REPLACE "^[ \t]T " "" name "${entry}")
  string(APPEND gdiplus_def "  ${name}\n")
endforeach()
list(LENGTH gdiplus_exports gdiplus_count)
if(NOT nm_result EQUAL 0 OR gdiplus_count LESS 100)
  message(FATAL_ERROR "gdiplus delay import: ${gdiplus_count} names read from ${gdiplus_import}")
endif()
file(WRITE "${gdiplus_dir}/gdiplus.def" "${gdiplus_def}")
execute_process(COMMAND "${CMAKE_DLLTOOL}" --input-def "${gdiplus_dir}/gdiplus.def" --dllname gdiplus.dll
                        --output-delaylib "${LUMORA_GDIPLUS_DELAY_LIB}"
                RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "gdiplus delay import: dlltool failed")
endif()
