# The picker as a DDE server.

# End to end: the real pkd.exe in a folder of its own with a catalogue,
# driven over DDE by client processes (the manager tests' script client and
# pkdpick). pkd.exe registers the service PKD_ZEL for the whole desktop, so
# these run alone.
pkd_add_test(e2e_picker_test WIN_ONLY
  SOURCES win/e2e/picker_e2e_test.cpp win/e2e/e2e_process.cpp
  LIBS pkd_gui_helpers pkd_pick_text pkd_app version
  TIMEOUT 400)
if(TARGET e2e_picker_test)
  add_dependencies(e2e_picker_test pkd pkdpick dde_test_client)
  set_tests_properties(e2e_picker_test PROPERTIES RUN_SERIAL TRUE)
endif()

# pkdpick's exit status against the real pkd.exe: a picker that cannot start,
# --find, and output that cannot be written.
pkd_add_test(e2e_pkdpick_exit_test WIN_ONLY
  SOURCES win/e2e/pkdpick_exit_test.cpp win/e2e/e2e_process.cpp
  LIBS pkd_gui_helpers pkd_text pkd_dde_client
  TIMEOUT 300)
if(TARGET e2e_pkdpick_exit_test)
  add_dependencies(e2e_pkdpick_exit_test pkd pkdpick)
  set_tests_properties(e2e_pkdpick_exit_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The service under clients that poke what is not theirs and link and leave.
pkd_add_test(e2e_service_trust_test WIN_ONLY
  SOURCES win/e2e/service_trust_test.cpp win/e2e/e2e_process.cpp
  LIBS pkd_gui_helpers
  TIMEOUT 600)
if(TARGET e2e_service_trust_test)
  add_dependencies(e2e_service_trust_test pkd dde_test_client)
  set_tests_properties(e2e_service_trust_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The picker all day (soak_probe, a measurement like the other probes): the
# real pkd.exe driven by a client in another process for many cycles. Two
# short runs of it are tests: pkd.exe for 2,000 cycles, every transaction
# answered and its private bytes after the run within a generous bound of
# those after the first tenth; and the picker's DDE side in a process left
# with 50 movable memory blocks, which a server that loses blocks with each
# transaction stops answering after ten cycles.
if(WIN32 AND NOT PKD_FUZZ)
  add_executable(soak_probe bench/soak_probe.cpp)
  target_link_libraries(soak_probe PRIVATE pkd_dde_client pkd_picker_dde pkd_dde_win pkd_dde psapi)
  set_target_properties(soak_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_test(NAME soak_movable_test COMMAND soak_probe --manager --movable-left 50 --cycles 300 --report 100)
  set_tests_properties(soak_movable_test PROPERTIES TIMEOUT 120 RESOURCE_LOCK ddeml FIXTURES_REQUIRED wine)
  if(TARGET pkd_catalogues)
    add_dependencies(soak_probe pkd pkdpick pkd_catalogues)
    add_test(NAME soak_short_test COMMAND soak_probe --cycles 2000 --report 200 --limit-kb 1024)
    set_tests_properties(soak_short_test PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE FIXTURES_REQUIRED wine)
  endif()
endif()
