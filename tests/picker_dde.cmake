# The picker as a DDE server.

# End to end: the real pkd.exe in a folder of its own with a catalogue,
# driven over DDE by client processes (the manager tests' script client and
# pkdpick). pkd.exe registers the service PKD_ZEL for the whole desktop, so
# these run alone.
pkd_add_test(e2e_picker_test WIN_ONLY
  SOURCES win/e2e/picker_e2e_test.cpp
  LIBS pkd_gui_helpers pkd_pick_text pkd_app version
  TIMEOUT 400)
if(TARGET e2e_picker_test)
  add_dependencies(e2e_picker_test pkd pkdpick dde_test_client)
  set_tests_properties(e2e_picker_test PROPERTIES RUN_SERIAL TRUE)
endif()

# pkdpick's exit status against the real pkd.exe: a picker that cannot start,
# --find, and output that cannot be written.
pkd_add_test(e2e_pkdpick_exit_test WIN_ONLY
  SOURCES win/e2e/pkdpick_exit_test.cpp
  LIBS pkd_gui_helpers pkd_text
  TIMEOUT 300)
if(TARGET e2e_pkdpick_exit_test)
  add_dependencies(e2e_pkdpick_exit_test pkd pkdpick)
  set_tests_properties(e2e_pkdpick_exit_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The service under clients that poke what is not theirs and link and leave.
pkd_add_test(e2e_service_trust_test WIN_ONLY
  SOURCES win/e2e/service_trust_test.cpp
  LIBS pkd_gui_helpers
  TIMEOUT 600)
if(TARGET e2e_service_trust_test)
  add_dependencies(e2e_service_trust_test pkd dde_test_client)
  set_tests_properties(e2e_service_trust_test PROPERTIES RUN_SERIAL TRUE)
endif()
