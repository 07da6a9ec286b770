# pkdmap's core on the real catalogues, natively and under Wine.
pkd_add_test(pkdmap_test
  SOURCES unit/pkdmap/pkdmap_test.cpp
  LIBS pkd_pkdmap)
if(TARGET pkdmap_test AND TARGET pkd_catalogues)
  add_dependencies(pkdmap_test pkd_catalogues)
endif()

pkd_add_fuzzer(pkdmap_fuzz
  SOURCES fuzz/pkdmap_fuzz.cpp
  LIBS pkd_pkdmap
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/pkdmap_seeds)
