# pkdpick's texts: arguments, the execute command, the JSON result.
pkd_add_test(pkdpick_test
  SOURCES unit/pkdpick/pick_text_test.cpp
  LIBS pkd_pick_text pkd_dde)

