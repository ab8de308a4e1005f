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
    # The shipped 32-bit build: no runtime DLLs beside the programs, XP subsystem version,
    # and no link time in the header, so that a rebuild of one commit gives the same bytes.
    add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp
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

# The product's version, set once by project() in the top CMakeLists.txt, reaches the programs'
# version resources and Korvel's about text through kv_version.h; scripts/release.sh names
# the release archives after the same number.
set(KV_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(KV_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(KV_VERSION_PATCH ${PROJECT_VERSION_PATCH})
foreach(part MINOR PATCH)
  if(KV_VERSION_${part} STREQUAL "")
    set(KV_VERSION_${part} 0)
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/kv_version.h.in ${CMAKE_BINARY_DIR}/generated/kv_version.h @ONLY)

# kv_version_resource(target) - lets the target's .rc include version_info.rc and kv_version.h.
function(kv_version_resource target)
  target_include_directories(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:RC>:${CMAKE_BINARY_DIR}/generated>
    $<$<COMPILE_LANGUAGE:RC>:${PROJECT_SOURCE_DIR}/cmake>)
endfunction()
