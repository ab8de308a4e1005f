# GoogleTest from Debian's source package, built with the project.
set(KV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(KV_SHIPPING)
  # The shipping build's win32 thread model lacks std::mutex, which GoogleTest needs for one
  # class only: the header supplies it.
  target_compile_options(gtest PUBLIC
    "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/gtest_win32_threads.h>")
endif()

# kv_add_test(name target [ARGS ...] [WINE_GUI] [TIMEOUT s])
# A native test runs directly; a Windows test runs through the Wine emulator of the
# toolchain and needs the Wine session fixture (and Xvfb when it shows windows).
function(kv_add_test name target)
  cmake_parse_arguments(T "WINE_GUI" "TIMEOUT" "ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND ${target} ${T_ARGS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session)
    if(T_WINE_GUI)
      # Windows of different tests would find each other's windows.
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_desktop)
    endif()
  endif()
endfunction()

# kv_gtest(target source...) - a GoogleTest program registered as one test, with the shared
# test helpers (testing/support).
function(kv_gtest target)
  cmake_parse_arguments(T "WINE_GUI" "TIMEOUT" "" ${ARGN})
  add_executable(${target} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main kv_test_support)
  set(extra)
  if(T_WINE_GUI)
    list(APPEND extra WINE_GUI)
  endif()
  if(T_TIMEOUT)
    list(APPEND extra TIMEOUT ${T_TIMEOUT})
  endif()
  kv_add_test(${target} ${target} ${extra})
endfunction()
