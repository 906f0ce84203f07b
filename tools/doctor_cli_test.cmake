# lumisett-tool doctor on a demo shop: all is well; then with a missing index,
# a damaged index and a code file path into a folder that does not exist,
# each named, exit 1.
# TOOL, DEMO_DATA: the programs; EMULATOR: what runs them in a cross build
# (wine), or empty; WORK: a folder of the test's own.
function(run_doctor rc_expected out_var)
    execute_process(COMMAND ${EMULATOR} ${TOOL} doctor ${WORK}/shop/app DEMO
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    string(REPLACE "\r" "" out "${out}")
    if(NOT rc EQUAL rc_expected)
        message(FATAL_ERROR "lumisett-tool doctor: exit ${rc} (expected ${rc_expected}), printed\n${out}\n${err}")
    endif()
    set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

function(expect_line out regex)
    if(NOT out MATCHES "${regex}")
        message(FATAL_ERROR "lumisett-tool doctor: no line matching [${regex}] in\n${out}")
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${EMULATOR} ${DEMO_DATA} ${WORK}/shop OUTPUT_QUIET ERROR_VARIABLE err
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lumisett-demo-data: exit ${rc}: ${err}")
endif()

run_doctor(0 out)
if(out MATCHES "(^|\n)(FAIL|WARN) ")
    message(FATAL_ERROR "lumisett-tool doctor on the demo shop found faults:\n${out}")
endif()
foreach(regex "\nok   parameter file [^\n]*DEMO.ini: code file [^\n]*till1[^\n]*; window at 100,100, normal;"
              "\nok   code file [^\n]*image.tmp: [0-9]+ bytes, names item CH--123\n"
              "\nok   index [^\n]*istkcode.ntx: 7 entries for 7 records, in key order\n"
              "\nok   lookups of codes in imerch.dbf: 4 of 4 described"
              "\nok   pictures: [1-9][0-9]* of [0-9]+ stock items, [1-9][0-9]* of [0-9]+ merchandise items"
              "\nok   slide show list [^\n]*DEMO.dbf: 9 entries, each"
              "\nok   error log: none"
              "\nAll is well.\n$")
    expect_line("${out}" "${regex}")
endforeach()

# The faults: the merchandise index gone, a key of the stock index changed
# in place, the code file's folder misspelt, and an error log left behind.
# (The window's place taken out too: the display centres it.)
set(data ${WORK}/shop/data)
file(REMOVE ${data}/imercode.ntx)
# (perl, since CMake's file() would not keep the bytes: NULs, CR LF.)
foreach(edit "s/CH--123/ZZ--999/|${data}/istkcode.ntx" "s/till1/till-none/|${WORK}/shop/app/DEMO.ini"
             "s/\\[StartPos\\]\\r\\n[^\\r]*//|${WORK}/shop/app/DEMO.ini")
    string(REPLACE "|" ";" parts "${edit}")
    list(GET parts 0 expr)
    list(GET parts 1 file)
    execute_process(COMMAND perl -0777 -pi -e "${expr}" ${file} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot change ${file}")
    endif()
endforeach()
file(WRITE ${WORK}/shop/app/KRLERROR.LOG
     "\r\n-----\r\nERROR LOG of \"lumisett\" Date: 08/12/26 10:00:01\r\n\r\n"
     "oError:description  : Open error\r\n")

run_doctor(1 out)
foreach(regex "\nok   parameter file [^\n]*; window centred, normal;"
              "\nFAIL code file [^\n]*till-none[^\n]*: its folder [^\n]* does not exist -- [^\n]*Settings page"
              "\nFAIL index [^\n]*istkcode.ntx: does not match its table [^\n]*ZZ--999[^\n]* -- re-index"
              "\nFAIL index [^\n]*imercode.ntx: missing -- re-index"
              "\nFAIL lookups of codes in imerch.dbf: [^\n]*index missing or damaged"
              "\nok   index [^\n]*isubcode.ntx: "
              "\nWARN error log [^\n]*KRLERROR.LOG: 08/12/26 10:00:01: Open error -- "
              "\nSomething needs doing")
    expect_line("${out}" "${regex}")
endforeach()
