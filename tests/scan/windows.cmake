# The Windows builds' scan (included by CMakeLists.txt here): on the test
# pages, tsypatch-cli.exe scan under Wine must give what the native tsypatch
# scan gives. scripts/test builds the native one first.
set(TSY_NATIVE_CLI ${PROJECT_SOURCE_DIR}/build/native/tsypatch
    CACHE FILEPATH "The native tsypatch whose scan the Windows one must match")
set(TSY_SCAN_PAGES ${CMAKE_BINARY_DIR}/scan-pages)
add_test(NAME scan_make_pages
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/make_test_pages.sh ${TSY_SCAN_PAGES})
set_tests_properties(scan_make_pages PROPERTIES LABELS scan FIXTURES_SETUP scan_pages)
add_test(NAME scan_same_as_native
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/same_as_native.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                 $<TARGET_FILE:tsypatch_cli> ${TSY_NATIVE_CLI} ${TSY_SCAN_PAGES})
# A Wine start and a page read for each of some thirty pages.
set_tests_properties(scan_same_as_native PROPERTIES LABELS scan FIXTURES_REQUIRED scan_pages
                                                    TIMEOUT 1200)
