pkd_add_test(picker_test
  SOURCES unit/picker/code_tree_test.cpp unit/picker/code_search_test.cpp unit/picker/description_test.cpp
          unit/picker/word_search_test.cpp unit/picker/result_list_test.cpp
  LIBS pkd_picker)
# The result list is also tried on the real catalogue.
if(TARGET picker_test AND TARGET pkd_catalogues)
  add_dependencies(picker_test pkd_catalogues)
endif()

pkd_add_fuzzer(code_tree_fuzz
  SOURCES fuzz/code_tree_fuzz.cpp
  LIBS pkd_picker
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/code_tree_seeds)

pkd_add_fuzzer(word_search_fuzz
  SOURCES fuzz/word_search_fuzz.cpp
  LIBS pkd_picker
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/word_search_seeds)
