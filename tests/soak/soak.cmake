# The soak (soak.cpp): a program of its own, not a gtest. CTest runs 100,000
# passes; `cmake --build BUILD --target soak_full` runs a million, meant for
# a ZELTO_SANITIZE=ON tree, where any sanitizer report stops it.
add_executable(soak soak/soak.cpp)
target_link_libraries(soak PRIVATE zelto_core)

set(SOAK_ENVIRONMENT "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
add_test(NAME soak COMMAND soak 100000 --data ${ZELTO_TEST_DATA})
set_tests_properties(soak PROPERTIES TIMEOUT 900 LABELS soak ENVIRONMENT "${SOAK_ENVIRONMENT}")

add_custom_target(soak_full
  COMMAND ${CMAKE_COMMAND} -E env ${SOAK_ENVIRONMENT} $<TARGET_FILE:soak> 1000000 --data ${ZELTO_TEST_DATA}
  DEPENDS soak
  USES_TERMINAL
  COMMENT "A million soak passes")
