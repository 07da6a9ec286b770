pkd_add_test(catalogue_test
  SOURCES unit/catalogue/opisy_test.cpp unit/catalogue/baza_test.cpp
  LIBS pkd_catalogue)
