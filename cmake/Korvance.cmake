# Shared build rules: warnings as errors everywhere, optional sanitizers,
# and small helpers so that each room's CMakeLists stays a few lines long.

add_compile_options(-Wall -Wextra -Werror)

if(KORVANCE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KORVANCE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# korvance_library(NAME room SOURCES ... [LIBS ...])
# One static library per room; its folder's parent (src/) is the include root,
# so code includes "data/WaypointList.h", "platform/Clock.h" and so on.
function(korvance_library name)
  cmake_parse_arguments(KL "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${KL_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${KL_LIBS})
endfunction()

# korvance_test(NAME SOURCES ... [LIBS ...])
# A GoogleTest program registered with CTest test by test. Tests find their
# fixtures through KORVANCE_TEST_DATA and scratch space through the system's
# temporary folder.
function(korvance_test name)
  cmake_parse_arguments(KT "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${KT_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KORVANCE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    KORVANCE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${KT_PROPERTIES})
endfunction()

# korvance_bench(NAME SOURCES ... [LIBS ...]): a Google Benchmark program.
function(korvance_bench name)
  cmake_parse_arguments(KB "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KB_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${KB_LIBS} benchmark::benchmark Threads::Threads)
endfunction()
