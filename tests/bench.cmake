if(PKD_HAVE_DATA)
  # The real catalogue and copies of it a hundred times its size.
  add_library(pkd_synthetic STATIC support/synthetic_catalogue.cpp)
  target_link_libraries(pkd_synthetic PUBLIC pkd_catalogue pkd_test_support)

  add_executable(catalogue_bench bench/catalogue_bench.cpp)
  target_link_libraries(catalogue_bench PRIVATE pkd_picker pkd_synthetic benchmark::benchmark)
  target_compile_definitions(catalogue_bench PRIVATE PKD_BENCH_KOD="${CMAKE_BINARY_DIR}/bin/pkd.kod")
  add_dependencies(catalogue_bench pkd_catalogues)

  add_executable(picker_bench bench/picker_bench.cpp)
  target_link_libraries(picker_bench PRIVATE pkd_picker pkd_synthetic benchmark::benchmark)
  target_compile_definitions(picker_bench PRIVATE PKD_BENCH_KOD="${CMAKE_BINARY_DIR}/bin/pkd.kod")
  add_dependencies(picker_bench pkd_catalogues)
endif()
