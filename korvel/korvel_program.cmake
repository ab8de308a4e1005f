# Korvel's program: entry, modes, single-instance guard, the program-wide paths, the windows
# and the resources. Included from this folder's CMakeLists.txt.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(korvel_pictures_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(korvel_pictures
  ${korvel_pictures_dir}/msg.bmp ${korvel_pictures_dir}/glyph_ok.bmp
  ${korvel_pictures_dir}/glyph_cancel.bmp ${korvel_pictures_dir}/korvel.ico
  ${korvel_pictures_dir}/uninst.ico)
add_custom_command(
  OUTPUT ${korvel_pictures}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/res/make_pictures.py ${korvel_pictures_dir}
  DEPENDS res/make_pictures.py
  COMMENT "Korvel's pictures")
add_custom_command(
  OUTPUT ${korvel_pictures_dir}/imlmain.bmp
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/res/make_toolbar_pictures.py ${korvel_pictures_dir}
  DEPENDS res/make_toolbar_pictures.py
  COMMENT "Korvel's toolbar pictures")
list(APPEND korvel_pictures ${korvel_pictures_dir}/imlmain.bmp)
add_custom_target(korvel_pictures_gen DEPENDS ${korvel_pictures})

# The resources, linked into the program and into the tests that load them.
add_library(korvel_res OBJECT res/korvel.rc)
kv_version_resource(korvel_res)
target_include_directories(korvel_res PRIVATE ${korvel_pictures_dir} ${CMAKE_CURRENT_SOURCE_DIR}/res)
set_source_files_properties(res/korvel.rc PROPERTIES
  OBJECT_DEPENDS "${korvel_pictures};${CMAKE_CURRENT_SOURCE_DIR}/res/korvel.manifest")
add_dependencies(korvel_res korvel_pictures_gen)

add_library(korvel_startup STATIC
  app_forms.cpp app_mode.cpp instance_guard.cpp
  frm_main.cpp frm_msg.cpp frm_setup.cpp frm_uninst.cpp
  frm_preview.cpp logon_list_view.cpp)
target_include_directories(korvel_startup PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
target_link_libraries(korvel_startup PUBLIC kvui korvel_self korvel_logons shell32)

kv_windows_program(korvel korvel_main.cpp $<TARGET_OBJECTS:korvel_res>)
target_link_libraries(korvel PRIVATE korvel_startup)

if(KV_BUILD_TESTS)
  kv_gtest(korvel_startup_test WINE_GUI TIMEOUT 120
    tests/startup_test.cpp tests/frm_msg_test.cpp $<TARGET_OBJECTS:korvel_res>)
  target_link_libraries(korvel_startup_test PRIVATE korvel_startup)
endif()

if(KV_BUILD_TESTS)
  kv_gtest(korvel_e2e_test WINE_GUI TIMEOUT 240 tests/korvel_e2e_test.cpp)
  target_link_libraries(korvel_e2e_test PRIVATE kvdriver)
  add_dependencies(korvel_e2e_test korvel)
endif()
