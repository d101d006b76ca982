# Settings every target of the project shares.
add_library(pictavo_common INTERFACE)
target_compile_features(pictavo_common INTERFACE cxx_std_17)
target_compile_options(pictavo_common INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wno-unused-parameter>)
target_compile_definitions(pictavo_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_USE_QSTRINGBUILDER)

# MagickCore is loaded at run time: only its headers and their defines are used at build time.
add_library(magick_headers INTERFACE)
target_include_directories(magick_headers SYSTEM INTERFACE ${MAGICK_INCLUDE_DIRS})
foreach(flag IN LISTS MAGICK_CFLAGS_OTHER)
  if(flag MATCHES "^-D(.*)$")
    target_compile_definitions(magick_headers INTERFACE ${CMAKE_MATCH_1})
  endif()
endforeach()
set(PICTAVO_MAGICK_LIBDIR ${MAGICK_LIBDIR})
