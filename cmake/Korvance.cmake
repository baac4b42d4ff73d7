# Shared build rules: warnings as errors everywhere, optional sanitizers,
# and small helpers so that each room's CMakeLists stays a few lines long.

add_compile_options(-Wall -Wextra -Werror)
# The programs say which release they are (--version).
add_compile_definitions(KORVANCE_VERSION="${PROJECT_VERSION}")

if(KORVANCE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KORVANCE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# korvance_room_includes(OUT): the include root of the room whose folder is
# being configured. Code includes "data/WaypointList.h", "platform/Clock.h" and
# so on, but there is no shared include root: each room folder (src/data,
# src/sim/garmin, ...) gets a root of its own in the build tree holding one
# link named as the folder, and only the room's libraries carry it. A header
# is therefore found only by code whose target links a library of its room,
# directly or through the rooms it may use: a wrong arrow fails to compile.
function(korvance_room_includes out)
  file(RELATIVE_PATH room ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" key "${room}")
  set(root ${PROJECT_BINARY_DIR}/rooms/${key})
  if(NOT EXISTS ${root}/${room})
    get_filename_component(parent ${root}/${room} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${room} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# korvance_library(NAME SOURCES ... [LIBS ...])
# A static library of the room being configured. LIBS are the libraries of the
# rooms it may use (architecture notes in docs/design.md); their headers come
# with them.
function(korvance_library name)
  cmake_parse_arguments(KL "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${KL_SOURCES})
  korvance_room_includes(root)
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${KL_LIBS})
endfunction()

# korvance_test(NAME [THREADS] SOURCES ... [LIBS ...] [PROPERTIES ...])
# A GoogleTest program registered with CTest test by test. Tests find their
# fixtures through KORVANCE_TEST_DATA and scratch space through the system's
# temporary folder. THREADS marks a program whose tests run threads (receiver
# simulators, reader threads, pseudo-terminals): its tests carry the label
# "threads", run under ThreadSanitizer by label, and the target
# korvance_threaded_tests builds every such program.
function(korvance_test name)
  cmake_parse_arguments(KT "THREADS" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(NOT TARGET korvance_test_main)
    # Every test program runs in a home of its own and in the locale of the
    # environment (tests/support/TestMain.cpp).
    add_library(korvance_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
    target_link_libraries(korvance_test_main PUBLIC GTest::gtest)
    target_compile_definitions(korvance_test_main PRIVATE KORVANCE_TEST_HOMES="${PROJECT_BINARY_DIR}/test-homes")
  endif()
  add_executable(${name} ${KT_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${KT_LIBS} GTest::gtest korvance_test_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KORVANCE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    KORVANCE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels "")
  if(KT_THREADS)
    set(labels LABELS threads)
    if(NOT TARGET korvance_threaded_tests)
      add_custom_target(korvance_threaded_tests)
    endif()
    add_dependencies(korvance_threaded_tests ${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${labels} ${KT_PROPERTIES})
endfunction()

# korvance_bench(NAME SOURCES ... [LIBS ...]): a Google Benchmark program.
function(korvance_bench name)
  cmake_parse_arguments(KB "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KB_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${KB_LIBS} benchmark::benchmark Threads::Threads)
endfunction()
