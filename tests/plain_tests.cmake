# kub_plain_tests: the tests of the plain core that need neither Qt nor another program, for
# builds without Qt (KUB_PLAIN_ONLY, e.g. scripts/cross-arm64.sh --ohne-qt). A test file
# joins by itself unless it includes Qt or the platform, MQTT or window code, uses a
# support file that does, or starts a program of ours or needs one of its parts.
set(kub_not_plain [[#include [<"](Q[A-Za-z]|platform/|mqtt/|ui/|support/(qt_app|mqtt_broker|alarm_servers|postgres_server|soak_run|line_server|event_wait|no_wait_pause))|status_times_command|KUBMON_(EXE|COMMAND)|KUB_ALARM_]])
# A header of the tests that is not plain makes its includers not plain either.
file(GLOB kub_headers CONFIGURE_DEPENDS *.h support/*.h)
foreach(header ${kub_headers})
  file(STRINGS ${header} hits REGEX "${kub_not_plain}")
  if(hits)
    get_filename_component(header_name ${header} NAME)
    string(APPEND kub_not_plain "|#include \"(support/)?${header_name}\"")
  endif()
endforeach()
file(GLOB kub_candidates CONFIGURE_DEPENDS *.cpp support/*.cpp)
set(KUB_PLAIN_TEST_SOURCES)
foreach(source ${kub_candidates})
  file(STRINGS ${source} hits REGEX "${kub_not_plain}")
  if(NOT hits)
    list(APPEND KUB_PLAIN_TEST_SOURCES ${source})
  endif()
endforeach()

add_executable(kub_plain_tests ${KUB_PLAIN_TEST_SOURCES})
target_link_libraries(kub_plain_tests PRIVATE kubcore kubsiggen GTest::gtest GTest::gtest_main)
target_include_directories(kub_plain_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(kub_plain_tests PRIVATE
  KUB_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/../shared/samples"
  KUB_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
kub_warnings(kub_plain_tests)
kub_discover_tests(kub_plain_tests E2E ${KUB_E2E_SUITES} SLOW ${KUB_SLOW_SUITES})
