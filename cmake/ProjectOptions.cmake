set(PROJECT_WARNING_FLAGS -Wall -Wextra)
if(WARNINGS_AS_ERRORS)
  list(APPEND PROJECT_WARNING_FLAGS -Werror)
endif()

# Warnings for the system's own targets; dependency headers come in as system includes.
function(project_warnings target)
  target_compile_options(${target} PRIVATE ${PROJECT_WARNING_FLAGS})
endfunction()

# Instrumented code confuses gcc's flow analysis, which then finds "maybe uninitialized" values inside the
# standard library's own strings; the plain build keeps that warning.
if(NOT SANITIZER STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()

if(SANITIZER STREQUAL "asan")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(SANITIZER STREQUAL "tsan")
  # The standard library's shared pointers use fences, which the thread sanitizer does not model; gcc warns of
  # it in every file that includes them, which warnings as errors would turn into a failed build.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  add_link_options(-fsanitize=thread)
elseif(NOT SANITIZER STREQUAL "")
  message(FATAL_ERROR "Unknown SANITIZER '${SANITIZER}'")
endif()

# Fuzz builds instrument all code for coverage, so the fuzzer sees inside the libraries too.
if(BUILD_FUZZERS)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Registers a GoogleTest executable with CTest under a label (unit, e2e, desktop, or render: needs a display).
# The tests keep the platform clipboard in memory, so that they never touch the desktop's, and windows stay
# state-only, whatever display there is, in every suite but the one that renders.
function(project_test name label)
  add_executable(${name} ${ARGN})
  project_warnings(${name})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
  include(GoogleTest)
  set(environment PELANDRY_CLIPBOARD=memory)
  if(NOT label STREQUAL "render")
    list(APPEND environment VELTRANE_ENGINE=headless)
  endif()
  gtest_discover_tests(${name} PROPERTIES LABELS ${label} ENVIRONMENT "${environment}" DISCOVERY_TIMEOUT 60)
endfunction()

# A fuzz target: libFuzzer with clang when BUILD_FUZZERS is on; otherwise a replay
# driver that runs the seed corpus, registered as a unit test.
function(project_fuzzer name corpus_dir)
  add_executable(${name} ${ARGN})
  project_warnings(${name})
  if(BUILD_FUZZERS)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(work_corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${work_corpus})
    add_test(NAME ${name}.fuzz
             COMMAND ${name} -max_total_time=${FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${work_corpus} ${corpus_dir})
    set_tests_properties(${name}.fuzz PROPERTIES LABELS fuzz)
  else()
    target_link_libraries(${name} PRIVATE fuzz_replay_driver)
    add_test(NAME ${name}.corpus COMMAND ${name} ${corpus_dir})
    set_tests_properties(${name}.corpus PROPERTIES LABELS unit)
  endif()
endfunction()

# Adds every child folder of the current source folder that holds a CMakeLists.txt, except those named.
function(add_child_folders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(NOT child IN_LIST ARGN AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
