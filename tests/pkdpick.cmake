# pkdpick's texts: arguments, the execute command, the JSON result.
pkd_add_test(pkdpick_test
  SOURCES unit/pkdpick/pick_text_test.cpp
  LIBS pkd_pick_text pkd_dde)

# The project's DDE client against the real DDEML.
pkd_add_test(dde_client_test WIN_ONLY
  SOURCES unit/pkdpick/dde_client_test.cpp
  LIBS pkd_dde_client)
if(TARGET dde_client_test)
  set_tests_properties(dde_client_test PROPERTIES RESOURCE_LOCK ddeml)
endif()
