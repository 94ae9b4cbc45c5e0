# Native build of the portable core: unit tests (ASan+UBSan), fuzz smoke runs, end-to-end tests
# under Wine, and (with DT_BENCH) the benchmarks.
option(DT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(DT_BENCH "Build the benchmarks (use an optimised build without sanitizers)" OFF)
option(DT_FUZZ "Build the libFuzzer targets (needs clang)" ON)
set(DT_DIST_DIR "${CMAKE_SOURCE_DIR}/dist" CACHE PATH "Where the Windows builds land")

enable_testing()

set(DT_SAN_FLAGS)
if(DT_SANITIZE)
  set(DT_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()

# The string table of the resource script, as data for the native build.
set(DT_STRINGS_CPP ${CMAKE_BINARY_DIR}/generated/string_table.cpp)
add_custom_command(OUTPUT ${DT_STRINGS_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/gen_strings.py
          ${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h
          ${CMAKE_SOURCE_DIR}/src/resources/strings.rc ${DT_STRINGS_CPP}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/gen_strings.py ${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h
          ${CMAKE_SOURCE_DIR}/src/resources/strings.rc)

add_library(dtcore STATIC ${DT_CORE_SOURCES} ${DT_POSIX_SOURCES} ${DT_STRINGS_CPP})
target_include_directories(dtcore PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(dtcore PRIVATE ${DT_WARNINGS})
target_compile_options(dtcore PUBLIC ${DT_SAN_FLAGS})
target_link_options(dtcore PUBLIC ${DT_SAN_FLAGS})
find_package(Threads REQUIRED)
target_link_libraries(dtcore PUBLIC Threads::Threads)

if(NOT DT_BENCH)
  find_package(GTest REQUIRED)
  # One executable per tests/unit/*_test.cpp, so that one area's tests build on their own.
  file(GLOB DT_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/support/*.cpp)
  add_library(dttestsupport STATIC ${DT_TEST_SUPPORT})
  target_include_directories(dttestsupport PUBLIC ${CMAKE_SOURCE_DIR}/tests/unit)
  target_link_libraries(dttestsupport PUBLIC dtcore GTest::gtest GTest::gmock)
  include(GoogleTest)
  file(GLOB DT_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp)
  foreach(src ${DT_UNIT_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${DT_WARNINGS})
    target_link_libraries(${name} PRIVATE dttestsupport GTest::gtest_main)
    gtest_discover_tests(${name} TEST_PREFIX "unit." DISCOVERY_TIMEOUT 60)
  endforeach()

  if(DT_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    file(GLOB DT_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
    foreach(src ${DT_FUZZ_SOURCES})
      get_filename_component(name ${src} NAME_WE)
      add_executable(${name} ${src})
      target_compile_options(${name} PRIVATE ${DT_WARNINGS} -fsanitize=fuzzer)
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      target_link_libraries(${name} PRIVATE dtcore)
      set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
      # New inputs go to the build tree; the committed starting inputs are only read.
      set(work_corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
      file(MAKE_DIRECTORY ${work_corpus})
      set(corpus_args ${work_corpus})
      if(EXISTS ${corpus})
        list(APPEND corpus_args ${corpus})
      endif()
      # Short smoke run; a long run is described in the README.
      add_test(NAME fuzz.${name}
               COMMAND ${name} -max_total_time=15 -timeout=10 -rss_limit_mb=2048 ${corpus_args})
    endforeach()
  endif()

  # Both Windows builds exist and import only system DLLs.
  add_test(NAME build.imports COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check_imports.py ${DT_DIST_DIR})

  # The benchmarks still build and run: a very short run of every one of them.
  add_test(NAME bench.smoke COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/bench.sh --smoke)
  set_tests_properties(bench.smoke PROPERTIES RESOURCE_LOCK wine TIMEOUT 600)

  # End-to-end tests of the real 64-bit program under Wine.
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  file(GLOB DT_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
  foreach(src ${DT_E2E_TESTS})
    get_filename_component(name ${src} NAME_WE)
    add_test(NAME e2e.${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${name}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
    set_tests_properties(e2e.${name} PROPERTIES
      ENVIRONMENT "DT_DIST=${DT_DIST_DIR};DT_BUILD=${CMAKE_BINARY_DIR}"
      RESOURCE_LOCK wine TIMEOUT 900)
  endforeach()
endif()

if(DT_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB DT_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/bench_*.cpp)
  foreach(src ${DT_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE dtcore benchmark::benchmark benchmark::benchmark_main)
    if(name STREQUAL "bench_store_vs_inih")
      target_link_libraries(${name} PRIVATE INIReader inih)
    endif()
  endforeach()
endif()
