# How every Windows image we ship or measure against is built: small, and
# self-contained on a clean Windows (no libgcc or libstdc++ DLL to import).
function(small_windows_image target)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN __USE_MINGW_ANSI_STDIO=0)
  target_compile_options(${target} PRIVATE
    -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -Wall -Wextra -Werror)
  target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++ -s
    # no link time in the header, so that one source always gives one image
    -Wl,--no-insert-timestamp
    # the link map lets the image checks see what went in before stripping
    -Wl,-Map=$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.map)
endfunction()
