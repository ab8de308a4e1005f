# Flags shared by every target of the project.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

if(WIN32)
  enable_language(RC)
  # Wide API everywhere; XP is the oldest system we run on.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
  if(KV_SHIPPING)
    # The shipped 32-bit build: no runtime DLLs beside the programs, XP subsystem version.
    add_link_options(-static -static-libgcc -static-libstdc++
                     -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1
                     -Wl,--major-os-version,5 -Wl,--minor-os-version,1)
  else()
    # Test build: static too, so Wine needs no MinGW DLLs on its path.
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
  # windres reads UTF-8 .rc files with #pragma code_page(65001).
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
endif()

# kv_windows_program(target source...) - a GUI program with the wide entry point.
function(kv_windows_program target)
  add_executable(${target} WIN32 ${ARGN})
  target_link_options(${target} PRIVATE -municode -mwindows)
endfunction()

# kv_console_program(target source...) - a console program with the wide entry point.
function(kv_console_program target)
  add_executable(${target} ${ARGN})
  target_link_options(${target} PRIVATE -municode)
endfunction()
