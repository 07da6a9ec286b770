pkd_add_test(text_test
  SOURCES unit/text/cp1250_test.cpp unit/text/lines_number_test.cpp
  LIBS pkd_text)
