# Windows build: ovrix.exe, the Windows tests and their stand-in commands.
enable_language(RC)
set(OVRIX_RESOURCES ${CMAKE_SOURCE_DIR}/resources/ovrix.rc)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources")
# Only KnownDLLs and the manifest's common controls are imported: the loader
# looks for any other import beside the program first. NETAPI32 is loaded
# from System32 when needed.
set(OVRIX_SYSTEM_LIBS comctl32 shell32 advapi32 user32 gdi32 kernel32)

# Unicode entry points and a 64-bit Windows 10 API level; NONCLIENTMETRICSW is
# still read at its 500-byte size.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00 WINVER=0x0A00)

# InitCommonControls is imported by its ordinal, 17.
set(OVRIX_COMCTL_ORDINAL ${CMAKE_BINARY_DIR}/libcomctl32_ordinal.a)
add_custom_command(
  OUTPUT ${OVRIX_COMCTL_ORDINAL}
  COMMAND x86_64-w64-mingw32-dlltool -d ${CMAKE_SOURCE_DIR}/app/comctl32_ordinal.def -l ${OVRIX_COMCTL_ORDINAL}
  DEPENDS ${CMAKE_SOURCE_DIR}/app/comctl32_ordinal.def)
add_custom_target(comctl32_ordinal DEPENDS ${OVRIX_COMCTL_ORDINAL})

add_library(ovrix_shell STATIC ${OVRIX_SHELL_SOURCES})
target_link_libraries(ovrix_shell PUBLIC ovrix_core)
target_compile_options(ovrix_shell PRIVATE ${OVRIX_WARNINGS})

set(OVRIX_LINK_LIBS ovrix_shell ovrix_core ${OVRIX_COMCTL_ORDINAL} ${OVRIX_SYSTEM_LIBS})

# The shipped programs: no time stamp in the PE header and no symbol table,
# so that two builds of the same source give the same bytes.
set(OVRIX_RELEASE_LINK -static -s -Wl,--no-insert-timestamp)

add_executable(ovrix WIN32 ${CMAKE_SOURCE_DIR}/app/winmain_win32.cpp ${OVRIX_RESOURCES})
add_dependencies(ovrix comctl32_ordinal)
target_link_libraries(ovrix PRIVATE ${OVRIX_LINK_LIBS})
target_link_options(ovrix PRIVATE ${OVRIX_RELEASE_LINK} -municode -mwindows)

# The console report, from the same core and shell.
add_executable(ovrix-report ${CMAKE_SOURCE_DIR}/report/ovrix_report_win32.cpp)
target_link_libraries(ovrix-report PRIVATE ${OVRIX_LINK_LIBS})
target_link_options(ovrix-report PRIVATE ${OVRIX_RELEASE_LINK} -municode)

# Files that ship beside the program.
file(GLOB OVRIX_SHIPPED CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/ship/*)
foreach(shipped ${OVRIX_SHIPPED})
  get_filename_component(name ${shipped} NAME)
  configure_file(${shipped} ${CMAKE_BINARY_DIR}/${name} COPYONLY)
endforeach()

# Windows tests run under Wine in a private prefix of this build.
set(OVRIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run;${OVRIX_WINEPREFIX})

file(GLOB OVRIX_STANDINS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/standins/*.cpp)
set(OVRIX_STANDIN_TARGETS "")
foreach(standin ${OVRIX_STANDINS})
  get_filename_component(name ${standin} NAME_WE)
  add_executable(${name} ${standin})
  target_link_options(${name} PRIVATE -static -municode)
  list(APPEND OVRIX_STANDIN_TARGETS ${name})
endforeach()

# A netapi32.dll that leaves a marker when loaded, planted beside a copy of
# the program by a test; kept out of the build folder's own search path.
add_library(planted_netapi32 SHARED ${CMAKE_SOURCE_DIR}/tests/win32/planted/netapi32.cpp)
set_target_properties(planted_netapi32 PROPERTIES OUTPUT_NAME netapi32 PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
target_link_options(planted_netapi32 PRIVATE -static)

file(GLOB OVRIX_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
add_executable(ovrix_win32_tests ${OVRIX_WIN32_TESTS} ${OVRIX_RESOURCES})
add_dependencies(ovrix_win32_tests comctl32_ordinal ovrix ovrix-report planted_netapi32 ${OVRIX_STANDIN_TARGETS})
target_link_libraries(ovrix_win32_tests PRIVATE gtest ${OVRIX_LINK_LIBS})
target_link_options(ovrix_win32_tests PRIVATE -static)
target_compile_definitions(ovrix_win32_tests PRIVATE OVRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_add_tests(TARGET ovrix_win32_tests SOURCES ${OVRIX_WIN32_TESTS} TEST_LIST OVRIX_WIN32_TEST_LIST)
# One Wine desktop and one prefix: run them one at a time, each with a bound.
set_tests_properties(${OVRIX_WIN32_TEST_LIST} PROPERTIES TIMEOUT 120 LABELS win32 RESOURCE_LOCK wine)

# The programs' imports, read from the built exes without running them.
foreach(program ovrix ovrix-report)
  add_test(NAME ExeImports.OnlyKnownDllsAndTheCommonControls.${program}
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:${program}>
                   -P ${CMAKE_SOURCE_DIR}/tests/win32/exe_imports.cmake)
endforeach()

# The release package (make dist): exactly the files a user gets, with
# matching sums; and the same bytes again from a copy of the source built in
# another folder (about half a minute on two idle cores).
add_test(NAME Dist.ZipHoldsExactlyTheListedFilesWithMatchingSums
         COMMAND sh -c "python3 ${CMAKE_SOURCE_DIR}/scripts/dist.py . dist-test >/dev/null && python3 ${CMAKE_SOURCE_DIR}/tests/dist/check_zip.py dist-test")
add_test(NAME Dist.ASecondBuildElsewhereGivesTheSameProgramsAndZip
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-reproducible ${CMAKE_BINARY_DIR})
set_tests_properties(Dist.ZipHoldsExactlyTheListedFilesWithMatchingSums Dist.ASecondBuildElsewhereGivesTheSameProgramsAndZip
                     PROPERTIES TIMEOUT 900 LABELS dist)

# The load benchmark's driver and floor (bench/load_wine.sh builds it).
add_executable(load_wine EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/load_wine.cpp)
target_link_options(load_wine PRIVATE -static -municode)
