# brimvale_add_test(NAME name SOURCES a.cpp... LIBS lib... [PLATFORM offscreen|xcb] [LABELS l...] [TIMEOUT s])
# One QtTest executable per test file, run with a fixed locale and, unless told
# otherwise, Qt's offscreen platform so no display is needed.
function(brimvale_add_test)
  cmake_parse_arguments(T "" "NAME;PLATFORM;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_PLATFORM)
    set(T_PLATFORM offscreen)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test brimvale_options)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "LC_ALL=C.UTF-8" "LANG=C.UTF-8" "QT_QPA_PLATFORM=${T_PLATFORM}"
      "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1")
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT}
                       LABELS "${T_LABELS}")
endfunction()
