# Windows executables run under Wine through a wrapper generated into the build tree, with a
# private prefix per build tree so that parallel builds never share a wineserver.
set(QM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix of this build tree")
set(QM_LOCALE_DIR ${CMAKE_SOURCE_DIR}/build/locale)
set(QM_WINE_REG ${CMAKE_BINARY_DIR}/wine-settings.reg)
set(QM_SOURCE_DIR ${CMAKE_SOURCE_DIR})
# regedit reads a UTF-8 file as the ANSI code page: write UTF-16LE with a BOM.
file(READ ${CMAKE_SOURCE_DIR}/cmake/wine-settings.reg.utf8 _reg)
string(REPLACE "\n" "\r\n" _reg "${_reg}")
execute_process(COMMAND sh -c "printf '\\377\\376' > '${QM_WINE_REG}'")
file(WRITE ${CMAKE_BINARY_DIR}/wine-settings.reg.crlf "${_reg}")
execute_process(COMMAND sh -c "iconv -f UTF-8 -t UTF-16LE '${CMAKE_BINARY_DIR}/wine-settings.reg.crlf' >> '${QM_WINE_REG}'"
                RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "iconv failed on wine-settings.reg")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
