# A system DLL that is no known DLL as a delay import. As an ordinary import the Windows
# loader would look for it in the program's own folder before the system folder, before any
# of our code runs. A delay-import library, made with dlltool from the names in MinGW's
# import library, binds each function on its first call instead; by then the saver has
# loaded the system folder's DLL itself (LoadSystemLibrary).
# lumora_delay_import(NAME MIN_NAMES OUT): OUT is set to the path of the library to link
# before MinGW's own import library of NAME; fewer than MIN_NAMES exports read is an error.
function(lumora_delay_import name min_names out)
  execute_process(COMMAND "${CMAKE_C_COMPILER}" -print-file-name=lib${name}.a
                  OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${import_lib}" OR NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "${name} delay import: need lib${name}.a, nm and dlltool (got '${import_lib}')")
  endif()
  set(dir "${CMAKE_BINARY_DIR}/${name}_delay")
  set(delay_lib "${dir}/lib${name}_delay.a")
  file(MAKE_DIRECTORY "${dir}")
  execute_process(COMMAND "${CMAKE_NM}" --defined-only "${import_lib}"
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
  string(REGEX MATCHALL "[ \t]T [A-Za-z_][A-Za-z0-9_]*" exports "${symbols}")
  set(def "LIBRARY ${name}.dll\nEXPORTS\n")
  foreach(entry ${exports})
    string(REGEX REPLACE "^[ \t]T " "" symbol "${entry}")
    string(APPEND def "  ${symbol}\n")
  endforeach()
  list(LENGTH exports count)
  if(NOT nm_result EQUAL 0 OR count LESS ${min_names})
    message(FATAL_ERROR "${name} delay import: ${count} names read from ${import_lib}")
  endif()
  file(WRITE "${dir}/${name}.def" "${def}")
  execute_process(COMMAND "${CMAKE_DLLTOOL}" --input-def "${dir}/${name}.def" --dllname ${name}.dll
                          --output-delaylib "${delay_lib}"
                  RESULT_VARIABLE dlltool_result)
  if(NOT dlltool_result EQUAL 0)
    message(FATAL_ERROR "${name} delay import: dlltool failed")
  endif()
  set(${out} "${delay_lib}" PARENT_SCOPE)
endfunction()
