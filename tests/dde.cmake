# DDE conversation manager tests. One test per line group, so that both
# halves of the manager can add theirs.

# The in-memory DDEML stand-in, shared by the manager's tests.
add_library(pkd_dde_fake STATIC ${CMAKE_CURRENT_SOURCE_DIR}/support/fake_platform.cpp)
target_link_libraries(pkd_dde_fake PUBLIC pkd_dde pkd_test_support)

pkd_add_test(dde_foundation_test
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/errors_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/platform_fake_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/trace_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/data_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/xltable_test.cpp
  LIBS pkd_dde_fake pkd_dde)

# The platform contract: the same typed tests against the in-memory DDEML
# (above, and here again) and the real one.
pkd_add_test(dde_platform_win_test WIN_ONLY
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/win/dde/platform_win_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/platform_fake_test.cpp
  LIBS pkd_dde_client pkd_dde_fake pkd_dde_win pkd_dde
  TIMEOUT 120)

# The trace's debug window. It checks keyboard focus, which another test's
# window would take, so it runs alone.
pkd_add_test(dde_trace_window_test WIN_ONLY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/win/dde/trace_window_test.cpp
  LIBS pkd_dde_win pkd_dde pkd_gui_helpers
  TIMEOUT 120)
if(TARGET dde_trace_window_test)
  set_tests_properties(dde_trace_window_test PROPERTIES RUN_SERIAL TRUE)
endif()

pkd_add_fuzzer(xltable_fuzz
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/xltable_fuzz.cpp
  LIBS pkd_dde
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/xltable_seeds)

# Services, topics and items; the execute-command language; the stored form.
pkd_add_test(dde_tree_test
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/containers_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/services_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/commands_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/storedform_test.cpp
  LIBS pkd_dde_fake pkd_dde)

pkd_add_fuzzer(cmdline_fuzz
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/cmdline_fuzz.cpp
  LIBS pkd_dde
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/cmdline_seeds)

pkd_add_fuzzer(storedform_fuzz
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/storedform_fuzz.cpp
  LIBS pkd_dde_fake pkd_dde
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/storedform_seeds)

# The manager: its core, the server transactions and the System topic.
pkd_add_test(dde_manager_test
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/manager_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/unit/dde/server_test.cpp
  LIBS pkd_dde_fake pkd_dde)

pkd_add_fuzzer(transaction_fuzz
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/transaction_fuzz.cpp
  LIBS pkd_dde_fake pkd_dde
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/transaction_seeds)

# The manager over the real DDEML, serving a client in another process.
if(WIN32 AND NOT PKD_FUZZ)
  add_executable(dde_test_client win/dde/dde_client.cpp)
  target_link_libraries(dde_test_client PRIVATE pkd_dde_client)
endif()
pkd_add_test(dde_manager_win_test WIN_ONLY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/win/dde/manager_win_test.cpp
  LIBS pkd_dde_win pkd_dde
  TIMEOUT 180)
if(TARGET dde_manager_win_test)
  add_dependencies(dde_manager_win_test dde_test_client)
  # DDE names are global atoms of the Wine server, and pkd.exe registers
  # "PKD_ZEL" for the whole desktop: a test in another process that made "PKD"
  # first decides how "pkd" reads back, and a client may reach another test's
  # server. Tests that serve or ask DDE names (ddeml) never run at the same
  # time; the window tests that start the picker's service run alone.
  set_tests_properties(dde_platform_win_test dde_manager_win_test PROPERTIES RESOURCE_LOCK ddeml)
endif()

# The request round-trip measurement (not a test): dde_roundtrip_probe
# times the manager against a bare DDEML server under Wine.
if(WIN32 AND NOT PKD_FUZZ)
  add_executable(dde_roundtrip_probe bench/dde_roundtrip_probe.cpp)
  target_link_libraries(dde_roundtrip_probe PRIVATE pkd_dde_client pkd_picker_dde pkd_dde_win pkd_dde)
  set_target_properties(dde_roundtrip_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# The project's DDE client against the real DDEML.
pkd_add_test(dde_client_test WIN_ONLY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/win/dde/dde_client_win_test.cpp
  LIBS pkd_dde_client)
if(TARGET dde_client_test)
  set_tests_properties(dde_client_test PROPERTIES RESOURCE_LOCK ddeml)
endif()
