# The launcher's own sources: built into setup.exe, and into the host tests
# against tests/winapi.
set(LAUNCHER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/win_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compose_launch_paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/is_64bit_windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/launch_command.cpp)
