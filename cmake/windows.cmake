# The Windows build's own parts. Two programs from one main(): durvex-config.exe, a console
# program (every command, and the window when given no command, as on Linux), and
# durvex-config-window.exe, a GUI program for the Start menu and .zcf files, which opens no
# console window. Both find the window's module (a DLL) beside them.
add_executable(durvex-config-window WIN32 ${src}/main.cpp)
target_link_libraries(durvex-config-window PRIVATE durvex_cli durvex_version)
target_compile_definitions(durvex-config-window PRIVATE DURVEX_WINDOW_MODULE_FROM_BINDIR=".")
add_dependencies(durvex-config-window durvex-window)
# Beside the other program and the window's module, as they are installed.
set_target_properties(durvex-config-window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src)
