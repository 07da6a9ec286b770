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

# The converter's speed and memory on 10 million generated rows (native).
if(NOT CMAKE_CROSSCOMPILING AND NOT PKD_FUZZ AND PKD_HAVE_DATA)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(pkdmap_bench bench/pkdmap_bench.cpp)
    target_link_libraries(pkdmap_bench PRIVATE pkd_pkdmap benchmark::benchmark)
    target_compile_definitions(pkdmap_bench PRIVATE PKD_BENCH_BIN="${CMAKE_BINARY_DIR}/bin")
    add_dependencies(pkdmap_bench pkd_catalogues)
  endif()
endif()

# The program itself, beside the built catalogues: exit status, output, and
# the Polish message on standard error.
if(NOT PKD_FUZZ AND TARGET pkdmap)
  set(work ${CMAKE_BINARY_DIR}/testwork/pkdmap_cli)
  file(MAKE_DIRECTORY ${work})
  file(WRITE ${work}/kontrahenci.csv "Firma;Kod\r\nA;0149Z\r\n\"B; C\";25.40.Z\r\n")
  file(WRITE ${work}/kody.txt "01.49.z\n25.40.Z\n")
  file(WRITE ${work}/zly.csv "Kod\n01.11.Z\n\"01.12.Z\n")
  file(WRITE ${work}/ten_sam.txt "01.11.Z\n")
  # pkdmap_cli(NAME RC n ARGS ... [INPUT file] [OUT regex] [ERR regex])
  function(pkdmap_cli name)
    cmake_parse_arguments(C "" "RC;INPUT;OUT;ERR" "ARGS" ${ARGN})
    set(cmd ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:pkdmap> ${C_ARGS})
    string(REPLACE ";" "|" cmd "${cmd}")
    set(extra)
    if(CMAKE_CROSSCOMPILING)
      list(APPEND extra -DMERGED=ON)
    endif()
    foreach(k INPUT OUT ERR)
      if(DEFINED C_${k})
        list(APPEND extra "-D${k}=${C_${k}}")
      endif()
    endforeach()
    add_test(NAME pkdmap_cli_${name}
      COMMAND ${CMAKE_COMMAND} "-DCMD=${cmd}" -DRC=${C_RC} ${extra} -P ${CMAKE_CURRENT_SOURCE_DIR}/unit/pkdmap/run_cli.cmake
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testwork/pkdmap_cli)
    if(CMAKE_CROSSCOMPILING)
      set_tests_properties(pkdmap_cli_${name} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
  endfunction()
  # (a ';' would split the regular expression into arguments: '.' stands for it)
  pkdmap_cli(convert RC 0 ARGS --column kod kontrahenci.csv
    OUT "A.0149Z.01.47.Z[|]01.48.Z.podzia.*\"B. C\".25.40.Z.25.30.Z.zmiana znaczenia.Produkcja broni"
    ERR "wierszy z kodem: 2.*zmiana znaczenia: 1")
  if(NOT CMAKE_CROSSCOMPILING)  # the Wine wrapper gives its programs no standard input
    pkdmap_cli(json_stdin RC 0 ARGS --format json INPUT kody.txt OUT "\"kind\":\"split\".*\"kind\":\"changed\"")
  endif()
  pkdmap_cli(fault_line RC 2 ARGS zly.csv ERR "zly.csv, wiersz 3: cudzys")
  pkdmap_cli(usage RC 2 ARGS --from 2008 ERR "--from: 2007 albo 2025")
  pkdmap_cli(same_file RC 2 ARGS ten_sam.txt -o ./ten_sam.txt ERR "ten_sam.txt jest plikiem")
  pkdmap_cli(no_catalogue RC 2 ARGS --pkd2025 nie_ma.kod kody.txt ERR "Nie znalaz")
endif()
