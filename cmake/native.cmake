# Native build: the portable core, its unit tests, fuzz targets and benchmarks.
file(GLOB OVRIX_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(ovrix_unit_tests ${OVRIX_UNIT_TESTS})
target_link_libraries(ovrix_unit_tests PRIVATE ovrix_core gtest_main)
target_compile_options(ovrix_unit_tests PRIVATE ${OVRIX_WARNINGS})
target_compile_definitions(ovrix_unit_tests PRIVATE OVRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(ovrix_unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)

# Artwork generator (icon and glyph strip); its output is kept in resources/.
file(GLOB OVRIX_TOOLS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/tools/*.cpp)
foreach(tool ${OVRIX_TOOLS})
  get_filename_component(name ${tool} NAME_WE)
  add_executable(${name} ${tool})
  target_link_libraries(${name} PRIVATE ovrix_core)
endforeach()

file(GLOB OVRIX_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_native.cpp)
foreach(bench ${OVRIX_BENCHES})
  get_filename_component(name ${bench} NAME_WE)
  add_executable(bench_${name} ${bench} ${CMAKE_SOURCE_DIR}/tests/unit/fake_tree.cpp
                 ${CMAKE_SOURCE_DIR}/tests/unit/native_threads.cpp)
  target_link_libraries(bench_${name} PRIVATE ovrix_core)
endforeach()

if(OVRIX_FUZZ)
  file(GLOB OVRIX_FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(fuzzer ${OVRIX_FUZZERS})
    get_filename_component(name ${fuzzer} NAME_WE)
    add_executable(fuzz_${name} ${fuzzer} ${CMAKE_SOURCE_DIR}/tests/unit/fake_tree.cpp)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${name} PRIVATE ovrix_core)
  endforeach()
  target_compile_options(ovrix_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  # Everything that links the instrumented core needs the sanitizer runtimes.
  target_link_options(ovrix_core INTERFACE -fsanitize=address,undefined)
endif()

# The layering of the code map: includes point down, files form no circle.
add_test(NAME Layers.IncludesPointDownAndFormNoCircle COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/check_layers.py ${CMAKE_SOURCE_DIR})
set_tests_properties(Layers.IncludesPointDownAndFormNoCircle PROPERTIES LABELS unit)

# The JSON report of crafted descriptors, read by a real JSON parser; the
# sample exits 1 because some of its paths cannot be read.
add_executable(report_json_sample ${CMAKE_SOURCE_DIR}/tests/report_json/sample.cpp)
target_link_libraries(report_json_sample PRIVATE ovrix_core)
target_include_directories(report_json_sample PRIVATE ${CMAKE_SOURCE_DIR})
add_test(NAME Report.JsonParsesAndCarriesSddlAndSids
         COMMAND sh -c "$<TARGET_FILE:report_json_sample> > report.json; test $? = 1 && python3 ${CMAKE_SOURCE_DIR}/tests/report_json/check.py < report.json")
add_test(NAME Report.FilteredJsonNamesItsFilterAndCarriesTheAccess
         COMMAND sh -c "$<TARGET_FILE:report_json_sample> '/find:S-1-5-32-545 /access:*S-1-5-32-545' > filtered.json; test $? = 1 && python3 ${CMAKE_SOURCE_DIR}/tests/report_json/check.py filtered < filtered.json")
set_tests_properties(Report.JsonParsesAndCarriesSddlAndSids Report.FilteredJsonNamesItsFilterAndCarriesTheAccess
                     PROPERTIES LABELS unit)
