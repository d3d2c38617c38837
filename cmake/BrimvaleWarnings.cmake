# Warnings and sanitizers shared by every target of the project.
add_library(brimvale_options INTERFACE)
target_compile_options(brimvale_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wconversion -Wno-sign-conversion)
target_compile_definitions(brimvale_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_STRICT_ITERATORS)
if(BRIMVALE_WERROR)
  target_compile_options(brimvale_options INTERFACE -Werror)
endif()
if(BRIMVALE_SANITIZE)
  target_compile_options(brimvale_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(brimvale_options INTERFACE -fsanitize=address,undefined)
endif()
