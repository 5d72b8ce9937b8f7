# zlib and libgcrypt come from Debian's MinGW packages; minizip is built from Debian's
# minizip source package, fetched once into the build tree.
find_package(ZLIB REQUIRED)

find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
find_library(GPG_ERROR_LIBRARY gpg-error REQUIRED)
add_library(qm_gcrypt INTERFACE)
target_include_directories(qm_gcrypt SYSTEM INTERFACE ${GCRYPT_INCLUDE_DIR})
target_link_libraries(qm_gcrypt INTERFACE ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY} ws2_32)

set(QM_MINIZIP_SRC ${CMAKE_BINARY_DIR}/deps/src-minizip)
file(GLOB _mz_dir LIST_DIRECTORIES true ${QM_MINIZIP_SRC}/minizip-*)
if(NOT _mz_dir)
  message(STATUS "Fetching the minizip source package")
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-deb-source.sh minizip ${QM_MINIZIP_SRC}
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "Could not fetch the minizip source package")
  endif()
  file(GLOB _mz_dir LIST_DIRECTORIES true ${QM_MINIZIP_SRC}/minizip-*)
endif()
set(_mz_inc ${CMAKE_BINARY_DIR}/deps/minizip-include)
file(MAKE_DIRECTORY ${_mz_inc}/minizip)
foreach(h zip.h unzip.h ioapi.h iowin32.h crypt.h mztools.h)
  configure_file(${_mz_dir}/${h} ${_mz_inc}/minizip/${h} COPYONLY)
endforeach()
add_library(qm_minizip STATIC ${_mz_dir}/zip.c ${_mz_dir}/unzip.c ${_mz_dir}/ioapi.c
                              ${_mz_dir}/iowin32.c ${_mz_dir}/mztools.c)
target_compile_options(qm_minizip PRIVATE -w)
target_include_directories(qm_minizip SYSTEM PUBLIC ${_mz_inc} PRIVATE ${_mz_dir})
target_link_libraries(qm_minizip PUBLIC ZLIB::ZLIB)
