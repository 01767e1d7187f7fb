# GoogleTest from Debian's sources, built for whichever target this tree is
# configured for; Windows test programs run under Wine: the 64-bit ones under
# wine64, the 32-bit ones under the private 32-bit Wine that
# tools/wine32-env.sh sets up, through qemu-i386.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(WINE32_ROOT ${PROJECT_SOURCE_DIR}/build/wine32/root CACHE PATH "The private 32-bit Wine")
# Emulated, the 32-bit tree builds and runs only the suites that name their
# cases for it (CASES32): the end-to-end cases where 32 and 64 bits can
# differ. The other suites are defined but not built there.
set(TESTS_EMULATED OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TESTS_EMULATED ON)
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(WIN32)
  # Windows test programs run under wine64 with the build tree's own prefix.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Debian's sources warn under -Wextra; they are not ours to fix.
foreach(t gtest gtest_main)
  target_compile_options(${t} PRIVATE -w)
endforeach()

# add_unit_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [GUI] [TIMEOUT s]
#               [CASES32 Suite.Case Suite2.*])
# Builds a GoogleTest program and registers it with CTest. GUI tests share
# the one X display and run one at a time. CASES32 names the cases that the
# 32-bit tree runs.
function(add_unit_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;CASES32" ${ARGN})
  set(exclude)
  if(TESTS_EMULATED AND NOT T_CASES32)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  add_executable(${name} ${exclude} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(exclude)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(filter)
  if(TESTS_EMULATED)
    string(JOIN ":" cases ${T_CASES32})
    set(filter --gtest_filter=${cases})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no ${filter})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_GUI)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display)
  endif()
endfunction()
