# One INTERFACE target carries the warning and sanitizer flags so that every
# library, program and test of the tree is built the same way.
add_library(tarvo_options INTERFACE)
target_compile_options(tarvo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference
  -Wimplicit-fallthrough)
if(TARVO_WERROR)
  target_compile_options(tarvo_options INTERFACE -Werror)
endif()
# GCC's "undefined" leaves out float-cast-overflow: a double too large for the integer it
# is cast to would give a wrong number without a word, so it is asked for by name.
if(TARVO_SANITIZE)
  target_compile_options(tarvo_options INTERFACE
    -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(tarvo_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()
# One version for every program's --version, window title and about box: the project's.
target_compile_definitions(tarvo_options INTERFACE TARVO_VERSION="${PROJECT_VERSION}")
