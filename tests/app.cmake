if(WIN32)
  add_library(pkd_gui_helpers STATIC win/app/gui_helpers.cpp)
  target_include_directories(pkd_gui_helpers PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/win)
  target_link_libraries(pkd_gui_helpers PUBLIC pkd_ui pkd_catalogue pkd_test_support)
endif()

pkd_add_test(app_window_test
  SOURCES win/app/tree_kodow_test.cpp win/app/code_box_test.cpp ${PKD_APP_RC}
  LIBS pkd_app pkd_gui_helpers
  WIN_ONLY TIMEOUT 300)
# The main window is also opened on the real catalogue.
if(TARGET app_window_test AND TARGET pkd_catalogues)
  add_dependencies(app_window_test pkd_catalogues)
endif()

# The words box and its result list.
pkd_add_test(app_words_test
  SOURCES win/app/words_box_test.cpp ${PKD_APP_RC}
  LIBS pkd_app pkd_gui_helpers
  WIN_ONLY TIMEOUT 300)
if(TARGET app_words_test)
  set_tests_properties(app_words_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The menus, the copy commands, the About box and the version reader. The
# program carries the same version resource as pkd.exe.
pkd_add_test(app_commands_test
  SOURCES win/app/commands_test.cpp ${PKD_APP_RC}
  LIBS pkd_app pkd_gui_helpers
  WIN_ONLY TIMEOUT 300)
if(TARGET app_commands_test)
  enable_language(RC)
  add_executable(version_fixture WIN32 win/app/version_fixture.cpp win/app/version_fixture.rc)
  add_dependencies(app_commands_test version_fixture)
  target_compile_definitions(app_commands_test PRIVATE
    PKD_VERSION_FIXTURE="$<TARGET_FILE:version_fixture>"
    PKD_PRODUCT_NAME="${PKD_PRODUCT_NAME}"
    PKD_PRODUCT_VERSION="${PKD_PRODUCT_VERSION}"
    PKD_FILE_VERSION="${PKD_FILE_VERSION}")
  set_tests_properties(app_commands_test PROPERTIES RUN_SERIAL TRUE)
endif()

pkd_add_test(app_process_test
  SOURCES win/app/pkd_process_test.cpp
  LIBS pkd_gui_helpers
  WIN_ONLY TIMEOUT 120)
if(TARGET app_process_test)
  add_dependencies(app_process_test pkd)
  # pkd.exe registers the DDE service "PKD_ZEL" for the whole desktop (see dde.cmake).
  set_tests_properties(app_process_test PROPERTIES RESOURCE_LOCK ddeml)
endif()

# The start-up measurement (not a test): startup_probe times pkd.exe against
# window_floor.exe (the main window's set of windows without our layers, with
# pkd.exe's own icon, manifest and version) and minimal_window.exe under Wine.
if(WIN32 AND NOT PKD_FUZZ)
  add_executable(minimal_window WIN32 win/app/minimal_window.cpp)
  add_executable(window_floor WIN32 bench/window_floor.cpp ${PKD_APP_RC})
  target_link_libraries(window_floor PRIVATE comctl32)
  add_executable(noop_console win/app/noop_console.cpp)
  add_executable(startup_probe win/app/startup_probe.cpp)
  target_link_options(startup_probe PRIVATE -municode)
  target_link_libraries(startup_probe PRIVATE comctl32)
  set_target_properties(minimal_window window_floor noop_console startup_probe PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# Focus and activation belong to one desktop: a window of a test running
# beside it would take the focus these tests check.
if(TARGET app_window_test)
  set_tests_properties(app_window_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The words box and the copy commands are tried on the real catalogues too.
foreach(t app_words_test app_commands_test)
  if(TARGET ${t} AND TARGET pkd_catalogues)
    add_dependencies(${t} pkd_catalogues)
  endif()
endforeach()
