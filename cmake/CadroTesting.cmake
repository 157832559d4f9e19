include(GoogleTest)

# The print scheduler every test talks to: the build tree's own (report_printer/tests/
# private_cups.sh starts it for the printing tests), never the machine's, whatever the caller's
# environment says. ctest reads the file below before it starts any test and sets the variables
# in its own environment, so every test and every program a test starts inherits them. A test
# that runs while the scheduler is down finds no printers, which is what the tests without a
# queue expect. The socket's path must fit a local socket address (107 bytes); a deep build tree
# puts it in /tmp, named after the tree so that two trees never share one.
set(CADRO_CUPS_ROOT "${CMAKE_BINARY_DIR}/cadrorpt-cups")
set(CADRO_CUPS_SOCKET "${CADRO_CUPS_ROOT}/run/cupsd.sock")
string(LENGTH "${CADRO_CUPS_SOCKET}" cadro_socket_length)
if(cadro_socket_length GREATER 100)
  string(MD5 cadro_tree_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${cadro_tree_hash}" 0 12 cadro_tree_hash)
  set(CADRO_CUPS_SOCKET "/tmp/cadrorpt-cups-${cadro_tree_hash}/cupsd.sock")
endif()
set(CADRO_TEST_ENVIRONMENT_FILE "${CMAKE_BINARY_DIR}/cadro-test-environment.cmake")
file(WRITE "${CADRO_TEST_ENVIRONMENT_FILE}"
  "set(ENV{CUPS_SERVER} [==[${CADRO_CUPS_SOCKET}]==])\n"
  "set(ENV{CUPS_SERVERROOT} [==[${CADRO_CUPS_ROOT}/conf]==])\n")

# Every folder whose tests may be run on their own (ctest --test-dir build/<folder>) reads it too.
function(cadro_test_environment)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${CADRO_TEST_ENVIRONMENT_FILE}")
endfunction()

# cadro_add_test(<name> SOURCES <files...> LIBS <targets...> [QT])
#
# Builds one GoogleTest program and registers each of its cases with CTest. QT tests get a
# main() that creates a QApplication on the offscreen platform, so window tests run without a
# display and never wait on a modal box (message boxes go through the Prompts recorder).
function(cadro_add_test name)
  cmake_parse_arguments(T "QT" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE cadro_warnings cadro_testkit ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_QT)
    target_link_libraries(${name} PRIVATE cadro_testkit_qtmain Qt6::Test Qt6::Widgets)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
endfunction()

# cadro_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> CORPUS <dir>)
#
# A fuzz target defines LLVMFuzzerTestOneInput. With CADRO_FUZZ (clang) it becomes a libFuzzer
# program fuzz_<name> that ./dev fuzz runs. In every other build it links a small driver that
# replays its seed corpus, and CTest runs that replay, so a seed that once crashed stays a test.
function(cadro_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  set(target fuzz_${name})
  add_executable(${target} ${F_SOURCES})
  target_link_libraries(${target} PRIVATE cadro_warnings ${F_LIBS})
  if(CADRO_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz-corpora/${target} "${F_CORPUS}\n")
  else()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/testkit/FuzzReplayMain.cpp)
    add_test(NAME ${target}.corpus COMMAND ${target} ${F_CORPUS})
    set_tests_properties(${target}.corpus PROPERTIES TIMEOUT 120 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
endfunction()
