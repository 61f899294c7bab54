# skovalt_add_gtest(NAME SOURCES ... LIBS ...)
# One GoogleTest program and one ctest entry. On the win64 build ctest runs
# the program under Wine (the toolchain's emulator); the caller provides the
# Wine session (tools/scripts/wine-session.sh).
function(skovalt_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
