pkd_add_test(ui_test
  SOURCES win/ui/ui_test.cpp
  LIBS pkd_ui pkd_gui_helpers
  WIN_ONLY TIMEOUT 300)
