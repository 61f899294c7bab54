# skovalt_add_gtest(NAME SOURCES ... LIBS ... [TIMEOUT SECONDS])
# One GoogleTest program and one ctest entry. On the win64 and win32 builds
# ctest runs the program under Wine (the toolchain's emulator); the caller
# provides the Wine session (tools/scripts/wine-session.sh).
function(skovalt_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The 32-bit build runs under qemu-i386 emulation: up to three times
    # slower than the 64-bit one.
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  # A test that starts UloStub finds it by window title, as Parlet finds the
  # messenger: no two such programs may run at once.
  if(ulostub_harness IN_LIST T_LIBS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK UloClient)
  endif()
endfunction()
