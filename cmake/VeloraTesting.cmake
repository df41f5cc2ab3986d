# Test registration for the four builds.
#
#   velora_add_test(<target> [WINE_GROUP <name>])
#       Registers a GoogleTest program. On Windows builds it runs under
#       64-bit Wine in a prefix of its group (build/wine/<name>); tests of one
#       group never run at the same time (they share processes, registry and
#       named objects), different groups may.
#   velora_add_fuzzer(<name> SOURCES ... LIBS ... CORPUS <dir> [SECONDS n])
#       A libFuzzer target (fuzz build only), run by ctest for a fixed time
#       over its seed corpus.
include(GoogleTest)

if(NOT VELORA_FUZZ AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

set(VELORA_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine-run)
set(VELORA_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)

function(velora_add_test target)
  cmake_parse_arguments(ARG "" "WINE_GROUP" "" ${ARGN})
  if(NOT VELORA_RUN_TESTS)
    return()
  endif()
  if(WIN32)
    if(NOT ARG_WINE_GROUP)
      set(ARG_WINE_GROUP default)
    endif()
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR
      "${VELORA_WINE_RUN};${VELORA_WINE_ROOT};${ARG_WINE_GROUP}")
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 180
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      PROPERTIES RESOURCE_LOCK wine-${ARG_WINE_GROUP} TIMEOUT 300
                 LABELS wine)
  else()
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      PROPERTIES LABELS host TIMEOUT 300)
  endif()
endfunction()

function(velora_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT VELORA_FUZZ)
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 20)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${work})
  # New inputs go to the build tree's folder; the seed corpus is only read.
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${ARG_SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=1 ${work} ${ARG_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${ARG_SECONDS}0)
endfunction()
