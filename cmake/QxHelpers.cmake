# qx_library(<name> SOURCES ... [WINDOWS_SOURCES ...] [LIBS ...] [WINDOWS_LIBS ...])
#   A static library of the tree. WINDOWS_SOURCES (the *_win.cpp files) and
#   WINDOWS_LIBS only take part in the mingw builds.
function(qx_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;WINDOWS_SOURCES;LIBS;WINDOWS_LIBS" ${ARGN})
  set(sources ${ARG_SOURCES})
  set(libs ${ARG_LIBS})
  if(QX_WINDOWS)
    list(APPEND sources ${ARG_WINDOWS_SOURCES})
    list(APPEND libs ${ARG_WINDOWS_LIBS})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${libs})
endfunction()

# qx_test(<name> SOURCES ... [LIBS ...] [NATIVE_ONLY] [WINDOWS_ONLY] [DB] [NO_GTEST_MAIN]
#         [TIMEOUT seconds] [ARGS ...])
#   A GoogleTest program registered with CTest. In the mingw builds it runs
#   under wine (the emulator set by the toolchain) inside the private prefix
#   and display of the `qx_wine` fixture: the i686 build under the WoW64
#   root's Wine, the x86_64 build under the machine's wine64. DB: the test
#   needs the throwaway PostgreSQL cluster of the `qx_db` fixture.
function(qx_test name)
  cmake_parse_arguments(ARG "NATIVE_ONLY;WINDOWS_ONLY;DB;NO_GTEST_MAIN" "TIMEOUT"
                        "SOURCES;LIBS;ARGS" ${ARGN})
  if(NOT QX_BUILD_TESTS)
    return()
  endif()
  if((ARG_NATIVE_ONLY AND QX_WINDOWS) OR (ARG_WINDOWS_ONLY AND NOT QX_WINDOWS))
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set(main GTest::gtest_main)
  if(ARG_NO_GTEST_MAIN)
    set(main GTest::gtest)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${main} GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  # Tests leave screenshots and other files for people under <build tree>/artifacts.
  target_compile_definitions(${name} PRIVATE QX_BUILD_TREE="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})

  set(fixtures "")
  set(env "QX_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "QX_TEST_DIR=${CMAKE_CURRENT_BINARY_DIR}")
  if(ARG_DB)
    list(APPEND fixtures qx_db)
    list(APPEND env ${QX_DB_TEST_ENV})
  endif()
  if(QX_WINDOWS)
    list(APPEND fixtures qx_wine)
    list(APPEND env "QX_WINE_DIR=${QX_WINE_DIR}")
  else()
    # unixODBC and the PostgreSQL driver keep a few process-lifetime
    # allocations that LeakSanitizer would report as ours.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=1"
                    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
                    "UBSAN_OPTIONS=print_stacktrace=1")
  endif()
  set(timeout 120)
  if(ARG_TIMEOUT)
    set(timeout ${ARG_TIMEOUT})
  endif()
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED "${fixtures}" ENVIRONMENT "${env}" TIMEOUT ${timeout})
endfunction()
