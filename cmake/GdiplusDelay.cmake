# GDI+ goes through a delay-load import library: the loader then never looks
# for gdiplus.dll before wWinMain has said where DLLs may come from, and
# exec/SystemLibrary.cpp loads it by its full path in the system folder. The
# library is made with dlltool from the names the toolchain's own import
# library lists.
find_library(TARNWICK_GDIPLUS_IMPLIB NAMES libgdiplus.a REQUIRED)
find_program(TARNWICK_DLLTOOL NAMES ${TARNWICK_TRIPLE}-dlltool REQUIRED)
execute_process(COMMAND ${CMAKE_NM} -g ${TARNWICK_GDIPLUS_IMPLIB} OUTPUT_VARIABLE gdiplus_symbols
                COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "__imp__?Gdip[A-Za-z0-9_]*(@[0-9]+)?" gdiplus_imports "${gdiplus_symbols}")
list(TRANSFORM gdiplus_imports REPLACE "^__imp__?" "")
list(REMOVE_DUPLICATES gdiplus_imports)
list(SORT gdiplus_imports)
list(JOIN gdiplus_imports "\n" gdiplus_exports)
set(gdiplus_def ${CMAKE_BINARY_DIR}/gdiplus-delay.def)
file(CONFIGURE OUTPUT ${gdiplus_def} CONTENT "LIBRARY gdiplus.dll\nEXPORTS\n${gdiplus_exports}\n" @ONLY)

set(gdiplus_delay_lib ${CMAKE_BINARY_DIR}/libgdiplus-delay.a)
# --kill-at: the 32-bit names are called as Name@N but exported undecorated.
add_custom_command(OUTPUT ${gdiplus_delay_lib}
                   COMMAND ${TARNWICK_DLLTOOL} --input-def ${gdiplus_def} --dllname gdiplus.dll --kill-at
                           --output-delaylib ${gdiplus_delay_lib}
                   DEPENDS ${gdiplus_def} VERBATIM)
add_custom_target(gdiplus_delay_lib DEPENDS ${gdiplus_delay_lib})
add_library(gdiplus_delay STATIC IMPORTED GLOBAL)
set_target_properties(gdiplus_delay PROPERTIES IMPORTED_LOCATION ${gdiplus_delay_lib})
add_dependencies(gdiplus_delay gdiplus_delay_lib)
