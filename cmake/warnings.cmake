# Our own code compiles with warnings as errors on both targets; third-party code does not.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
    -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Woverloaded-virtual -Wimplicit-fallthrough
    -Wcast-qual -Wformat=2 -Wundef)
target_compile_definitions(project_options INTERFACE
    UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)
