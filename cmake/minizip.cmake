# minizip's unzip interface as the target `minizip`, so that `#include "unzip.h"` works the same
# in both builds.
if(KESTRANE_WIN32)
  # Compiled from the sources scripts/setup takes out of Debian's zlib source package (Debian
  # ships no Windows build of it). Linked statically into Kestrane.dll.
  set(KESTRANE_MINIZIP_DIR ${CMAKE_SOURCE_DIR}/third_party/minizip)
  if(NOT EXISTS ${KESTRANE_MINIZIP_DIR}/unzip.c)
    message(FATAL_ERROR "minizip sources missing: run scripts/setup")
  endif()
  set(ZLIB_USE_STATIC_LIBS ON)  # no zlib1.dll beside the product
  find_package(ZLIB REQUIRED)
  add_library(minizip STATIC ${KESTRANE_MINIZIP_DIR}/unzip.c ${KESTRANE_MINIZIP_DIR}/ioapi.c)
  target_include_directories(minizip SYSTEM PUBLIC ${KESTRANE_MINIZIP_DIR})
  target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
  target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
  # Without unwind tables, whose entries would keep every function alive, the linker drops the
  # parts of minizip Kestrane does not call.
  target_compile_options(minizip PRIVATE -w -fno-asynchronous-unwind-tables -fno-unwind-tables)
else()
  # Debian's libminizip-dev: headers in <include>/minizip, unzip and the zip writer the tests
  # use to make archives.
  find_package(ZLIB REQUIRED)
  find_path(KESTRANE_MINIZIP_INCLUDE_DIR unzip.h PATH_SUFFIXES minizip REQUIRED NO_CACHE)
  find_library(KESTRANE_MINIZIP_LIBRARY minizip REQUIRED)
  add_library(minizip UNKNOWN IMPORTED GLOBAL)
  set_target_properties(minizip PROPERTIES
    IMPORTED_LOCATION ${KESTRANE_MINIZIP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${KESTRANE_MINIZIP_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
