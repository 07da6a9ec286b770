pkd_add_test(picker_test
  SOURCES unit/picker/code_tree_test.cpp unit/picker/code_search_test.cpp unit/picker/description_test.cpp
          unit/picker/word_search_test.cpp unit/picker/result_list_test.cpp
          unit/picker/pick_protocol_test.cpp unit/picker/old_code_test.cpp
          unit/picker/note_links_test.cpp
  LIBS pkd_picker pkd_dde)
# The result list is also tried on the real catalogue.
if(TARGET picker_test AND TARGET pkd_catalogues)
  add_dependencies(picker_test pkd_catalogues)
endif()

# The picker as a DDE server: its session and the manager's events, over the
# in-memory DDEML.
pkd_add_test(picker_dde_test
  SOURCES unit/picker/pick_session_test.cpp
  LIBS pkd_picker_dde pkd_dde_fake)

pkd_add_fuzzer(code_tree_fuzz
  SOURCES fuzz/code_tree_fuzz.cpp
  LIBS pkd_picker
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/code_tree_seeds)

pkd_add_fuzzer(word_search_fuzz
  SOURCES fuzz/word_search_fuzz.cpp
  LIBS pkd_picker
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/word_search_seeds)
