include(GoogleTest)

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
