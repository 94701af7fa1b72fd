# Delay-import libraries for the Windows build.
#
# Windows looks for a DLL that is not one of its KnownDLLs in the program's
# own folder first, so a DLL placed beside a downloaded package would run
# inside it. Imports are resolved by the loader before any code of the
# program runs, including the DLLs that the imported system DLLs import in
# turn (Wine's user32 imports version.dll, its comctl32 imm32.dll). The
# program therefore imports directly only DLLs whose own imports stay among
# the KnownDLLs; every other DLL is loaded on its first call, after the
# start-up code has restricted the search to System32.
#
# mv_delay_import_libraries(OUT dll...) makes lib<dll>_delay.a for each DLL
# from the toolchain's import library (its code symbols become the exports
# of a .def file that dlltool turns into a delay-import library) and sets
# OUT to the list of libraries to link, ending with the delay-load helper.
function(mv_delay_import_libraries out)
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${folder})
  set(libraries)
  foreach(dll IN LISTS ARGN)
    find_library(import_${dll} NAMES lib${dll}.a REQUIRED NO_CACHE)
    set(def ${folder}/${dll}.def)
    set(library ${folder}/lib${dll}_delay.a)
    if(NOT EXISTS ${library} OR ${import_${dll}} IS_NEWER_THAN ${library})
      execute_process(COMMAND ${CMAKE_NM} ${import_${dll}} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed
                      ERROR_QUIET)
      if(failed)
        message(FATAL_ERROR "cannot list the symbols of ${import_${dll}}")
      endif()
      # Code symbols only (type T); data exports cannot be delay-loaded.
      string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@?$]+" functions "${symbols}")
      list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
      list(REMOVE_DUPLICATES functions)
      list(JOIN functions "\n" exports)
      file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${library}
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "dlltool could not make ${library}")
      endif()
    endif()
    list(APPEND libraries ${library})
  endforeach()
  find_library(delay_helper NAMES libdelayimp.a REQUIRED NO_CACHE)
  list(APPEND libraries ${delay_helper})
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()
