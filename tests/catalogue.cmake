pkd_add_test(catalogue_test
  SOURCES unit/catalogue/opisy_test.cpp unit/catalogue/baza_test.cpp
  LIBS pkd_catalogue)

pkd_add_fuzzer(catalogue_fuzz
  SOURCES fuzz/catalogue_fuzz.cpp
  LIBS pkd_catalogue
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/catalogue_seeds)
