pkd_add_test(ui_test
  SOURCES win/ui/ui_test.cpp win/ui/hooks_test.cpp
  LIBS pkd_ui pkd_gui_helpers
  WIN_ONLY TIMEOUT 300)
# Checks keyboard focus, which another test's window would take.
if(TARGET ui_test)
  set_tests_properties(ui_test PROPERTIES RUN_SERIAL TRUE)
endif()
