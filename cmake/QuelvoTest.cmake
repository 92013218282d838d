# add_quelvo_test(<name> <source>...)
# Builds a QtTest executable against the core library and registers it with ctest,
# running headless on the offscreen platform.
function(add_quelvo_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE quelvo_core Qt5::Test)
    target_compile_definitions(${name} PRIVATE TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${QUELVO_SANITIZER_ENV}")
endfunction()
