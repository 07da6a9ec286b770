pkd_add_test(picker_test
  SOURCES unit/picker/code_tree_test.cpp unit/picker/code_search_test.cpp unit/picker/description_test.cpp
  LIBS pkd_picker)
