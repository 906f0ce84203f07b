# Environment of every test. Under an emulator (wine for the Windows cross
# build) the tests share one quiet wine prefix inside the build folder, which
# scripts/test-windows prepares before CTest runs.
set(LUMISETT_TEST_ENV "LUMISETT_TEST_SRC=${PROJECT_SOURCE_DIR}")
# Wine hands the programs no QT_* variable of ours; WINEQT_* ones it passes on
# without the WINE. Qt's offscreen platform on Windows finds fonts only in the
# folder QT_QPA_FONTDIR names. A test that starts a program of the build by
# its path puts LUMISETT_HOST_DRIVE in front: wine shows the build on drive Z:.
set(LUMISETT_HOST_DRIVE "")
set(LUMISETT_QT_TEST_ENV "QT_QPA_PLATFORM=offscreen")
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR AND WIN32)
    set(LUMISETT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "wine prefix of the tests")
    list(APPEND LUMISETT_TEST_ENV "WINEPREFIX=${LUMISETT_WINEPREFIX}" "WINEDEBUG=-all"
         "WINEDLLOVERRIDES=mscoree,mshtml=" "WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR}")
    set(LUMISETT_HOST_DRIVE "Z:")
    set(LUMISETT_QT_TEST_ENV "WINEQT_QPA_PLATFORM=offscreen"
        "WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/liberation2")
endif()

# lumisett_add_test(NAME src... LIBS lib... [LABELS label...] [QT])
# Builds one GoogleTest executable and registers it with CTest. QT tests get a
# main that creates a QApplication on the offscreen platform.
function(lumisett_add_test name)
    cmake_parse_arguments(T "QT" "" "LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_UNPARSED_ARGUMENTS})
    if(T_QT)
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/qt_test_main.cpp)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Qt6::Widgets Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(env ${LUMISETT_TEST_ENV})
    if(T_QT)
        list(APPEND env ${LUMISETT_QT_TEST_ENV})
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "${T_LABELS}" TIMEOUT 600)
endfunction()

# lumisett_add_fuzz_target(NAME src... LIBS lib...)
# A libFuzzer target (scripts/build --fuzz builds them all through `fuzz_targets`,
# which tables/ defines); its committed seeds live in fuzz/corpus/NAME beside
# its source, where scripts/fuzz finds them.
function(lumisett_add_fuzz_target name)
    cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
    add_executable(${name} ${F_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${F_LIBS} lumisett_testsupport)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_targets ${name})
endfunction()
