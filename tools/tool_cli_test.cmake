# Runs lumisett-tool as support staff would and checks what it prints.
# TOOL: the program; EMULATOR: what runs it in a cross build (wine), or empty;
# WINDOWS: true when the program is a Windows one (it then sees drive letters).
function(expect_output expected)
    execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc
                    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "${expected}")
        message(FATAL_ERROR "lumisett-tool ${ARGN}: exit ${rc}, printed [${out}], expected [${expected}]")
    endif()
endfunction()

expect_output("1200345\nAB--123\n1234567\n" normalize 12345 AB123 1234567/2)

# The program folder is the current drive and directory in the program's form.
# A Windows program sees a drive letter (wine shows the POSIX root as Z:).
get_filename_component(here "${CMAKE_CURRENT_BINARY_DIR}" ABSOLUTE)
string(REGEX REPLACE "^([A-Za-z]:)?/" "" rel "${here}")
string(REPLACE "/" "\\" rel "${rel}")
if(WINDOWS)
    if(here MATCHES "^([A-Za-z]):")
        set(root "${CMAKE_MATCH_1}:\\")
    else()
        set(root "Z:\\")
    endif()
else()
    set(root "\\")
endif()
expect_output("Cxshop\n${root}${rel}\\Cxshop.ini\n${root}${rel}\\Cxshop.dbf\n" profile "C:\\x\\shop.INI")

execute_process(COMMAND ${EMULATOR} ${TOOL} --help OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "normalize" OR NOT out MATCHES "profile")
    message(FATAL_ERROR "lumisett-tool --help: exit ${rc}, printed [${out}]")
endif()

# The table commands, on tables written by Perl's XBase (an independent writer).
function(expect_match rc_expected regex)
    execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    if(NOT rc EQUAL rc_expected OR NOT out MATCHES "${regex}")
        message(FATAL_ERROR "lumisett-tool ${ARGN}: exit ${rc} (expected ${rc_expected}), "
                            "printed [${out}] [${err}], expected to match [${regex}]")
    endif()
endfunction()

set(work ${CMAKE_CURRENT_BINARY_DIR}/tool_cli_tables)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
foreach(table items:40 other:30)
    string(REPLACE ":" ";" parts ${table})
    list(GET parts 0 name)
    list(GET parts 1 count)
    execute_process(COMMAND perl ${SRC}/tables/interop/xbase_check.pl write ${work}/${name}.dbf ${count}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot write ${name}.dbf with Perl XBase")
    endif()
endforeach()
expect_match(0 "^$" index ${work}/items.dbf code ${work}/itemcode.ntx)
if(NOT WINDOWS)
    # An index named by a symbolic link: the link is replaced, its target never written.
    file(WRITE ${work}/target.txt "not the tool's")
    file(CREATE_LINK ${work}/target.txt ${work}/linked.ntx SYMBOLIC)
    expect_match(0 "^$" index ${work}/items.dbf code ${work}/linked.ntx)
    file(READ ${work}/target.txt target)
    if(NOT target STREQUAL "not the tool's" OR IS_SYMLINK ${work}/linked.ntx)
        message(FATAL_ERROR "lumisett-tool index wrote through the link at linked.ntx")
    endif()
    file(READ ${work}/itemcode.ntx built HEX)
    file(READ ${work}/linked.ntx built_too HEX)
    if(NOT built STREQUAL built_too)
        message(FATAL_ERROR "the index renamed over the link differs from the one built beside it")
    endif()
endif()
expect_match(0 "^ok: 40 entries for 40 records, in key order\n$"
             check-index ${work}/items.dbf ${work}/itemcode.ntx)
expect_match(1 "record 31 is missing from the index|points to record 3[1-9]"
             check-index ${work}/other.dbf ${work}/itemcode.ntx)
expect_match(1 "index does not match the table" check-index ${work}/other.dbf ${work}/itemcode.ntx)
expect_match(0 "^2\t \tCH07919\tdesc [^\t]* 1 +\t +-98.75\t20260202\tF\n$"
             seek ${work}/items.dbf ${work}/itemcode.ntx CH07919)
expect_match(0 "^2\t" seek ${work}/items.dbf ${work}/itemcode.ntx CH079)
expect_match(1 "^$" seek ${work}/items.dbf ${work}/itemcode.ntx CH07918)
expect_match(2 "^$" seek ${work}/items.dbf)
expect_match(0 "^# records 40\n# flag\tCODE C7\tDESC C20\tPRICE N10.2\tSOLD D8\tOK L1\n \tAB00000\t"
             dump ${work}/items.dbf)
expect_match(0 "\n\\*\tX-03743\t" dump ${work}/items.dbf)
expect_match(1 "^$" dump ${work}/missing.dbf)
# find-picture: a picture in the prefix folder, found whatever the case of its name.
set(data "${CMAKE_CURRENT_BINARY_DIR}/find-picture-data")
file(REMOVE_RECURSE "${data}")
file(WRITE "${data}/images/ab/Ab12345.PNG" "x")
expect_output("${data}\\images\\AB\\AB12345.png\n" find-picture "${data}" "AB12345*")
expect_output("\n" find-picture "${data}" "CD12345")
file(REMOVE_RECURSE "${data}")

# convert-metafile (the display's conversion child): sizes it cannot draw at
# are refused before it reads anything; a picture it cannot read fails.
if(WINDOWS)
    set(bad_sizes "" "0;10" "10;-1" "10;10x" "20000;20000" "10")
    set(good_size 10 10)
else()
    set(bad_sizes "10;10")
    set(good_size)
endif()
foreach(size IN LISTS bad_sizes)
    expect_match(2 "^$" convert-metafile in.emf out.bmp ${size})
endforeach()
expect_match(1 "^$" convert-metafile ${CMAKE_CURRENT_BINARY_DIR}/no-picture.emf out.bmp ${good_size})

# describe: the text the display shows, byte for byte, exit 0 for every text.
# execute_process drops the CR of CR LF from captured output, so the output
# goes through a file and is compared in hex.
function(expect_bytes expected)
    set(file "${CMAKE_CURRENT_BINARY_DIR}/describe-out.txt")
    execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN} OUTPUT_FILE "${file}" RESULT_VARIABLE rc)
    file(READ "${file}" got HEX)
    string(HEX "${expected}" want)
    if(NOT rc EQUAL 0 OR NOT got STREQUAL want)
        message(FATAL_ERROR "lumisett-tool ${ARGN}: exit ${rc}, printed (hex) [${got}], expected [${want}]")
    endif()
endfunction()
set(shop "${CMAKE_CURRENT_BINARY_DIR}/describe-data")
file(REMOVE_RECURSE "${shop}")
file(MAKE_DIRECTORY "${shop}")
file(WRITE "${shop}/istock.txt"
     "CODE:C:7:0\tDESC:C:48:0\tPRICE:N:10:2\tDOLL_PRICE:N:10:2\tCTDIAMOND:N:6:2\tCOLOUR:C:20:0\t"
     "CTOTHER:N:6:2\tSIZE:N:5:0\tTOTAL_MASS:N:8:2\n"
     " \tCH--123\t9CT GOLD CHAIN\t1250\t0\t0\t\t0\t450\t5.2\n")
execute_process(COMMAND perl ${SRC}/inventory/interop/item_tables.pl ${shop}/istock.dbf
                INPUT_FILE ${shop}/istock.txt RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot write istock.dbf with Perl XBase")
endif()
expect_match(0 "^$" index ${shop}/istock.dbf code ${shop}/istkcode.ntx)
expect_bytes("9CT GOLD CHAIN\r\nLength = 45.0cm  Total mass of item =  5.20g\r\n(Stock code: CH--123)\r\nPrice:     1250.00"
              describe ${shop} ch--123)
expect_bytes("\r\n The Tillmaster\r\n\r\n     DATA DISPLAYER\r\n\r\n\r\n\r\n\r\nXX--999  was not found in the data files.\r\n\r\nCheck settings or update data."
              describe ${shop} XX--999)
expect_bytes("This item is neither merchandise nor standard stock." describe ${shop} 0012345)
expect_bytes("ERROR! Could not open data files.  Please check data path on settings page.\r\n\r\n\r\nDiagnostics:\r\n${shop}/none\\imerch\r\n${shop}/none\\istock\r\n"
              describe ${shop}/none 1200345)

# A stale index: the table rewritten after the index was built, with the two
# codes swapped. describe shows the missing-index text, never the other
# item's; seek says the index is out of date and exits 1.
set(stale "${CMAKE_CURRENT_BINARY_DIR}/stale-data")
file(REMOVE_RECURSE "${stale}")
file(MAKE_DIRECTORY "${stale}")
set(fields "CODE:C:7:0\tDESC:C:48:0\tPRICE:N:10:2\n")
foreach(step built:CH--123:SZ--099 rewritten:SZ--099:CH--123)
    string(REPLACE ":" ";" parts ${step})
    list(GET parts 1 first)
    list(GET parts 2 second)
    file(WRITE "${stale}/istock.txt" "${fields} \t${first}\tCHAIN\t1250\n \t${second}\tRING\t10\n")
    execute_process(COMMAND perl ${SRC}/inventory/interop/item_tables.pl ${stale}/istock.dbf
                    INPUT_FILE ${stale}/istock.txt RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot write istock.dbf with Perl XBase")
    endif()
    if(step MATCHES "^built")
        expect_match(0 "^$" index ${stale}/istock.dbf code ${stale}/istkcode.ntx)
    endif()
endforeach()
expect_bytes("ERROR! Missing INDEX files.  Please check data path on settings page and if correct choose 'Re-index' to create new indexes.\r\n\r\nDiagnostics:\r\n${stale}\\imercode.ntx\r\n${stale}\\istkcode.ntx\r\n${stale}\\isubcode.ntx\r\n"
             describe ${stale} CH--123)
execute_process(COMMAND ${EMULATOR} ${TOOL} seek ${stale}/istock.dbf ${stale}/istkcode.ntx CH--123
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES "leads to record 1, whose key is 'SZ--099'.*out of date")
    message(FATAL_ERROR "lumisett-tool seek on a stale index: exit ${rc}, printed [${out}] [${err}]")
endif()

# shown: counts per source, most shown first, over the month files of one
# profile (another profile's file and a line that is no item are left out),
# and the days asked for.
set(logs "${CMAKE_CURRENT_BINARY_DIR}/shown-logs")
file(REMOVE_RECURSE "${logs}")
file(MAKE_DIRECTORY "${logs}")
file(WRITE "${logs}/TILL1-shown-2026-11.csv"
     "time,code,source,station\r\n2026-11-30 17:00:00,CH--123,till,\"\\\\pos,1\"\r\n"
     "2026-11-30 17:01:00,RI--007,slide show,\r\n")
file(WRITE "${logs}/TILL1-shown-2026-12.csv"
     "time,code,source,station\r\n2026-12-01 09:00:00,RI--007,till,pos\r\n"
     "2026-12-01 09:01:00,CH--123,till,pos\r\n2026-12-02 10:00:00,CH--123,till,pos\r\n"
     "garbage\r\n2026-12-02 10:05:00,1200345,typed,\r\n")
file(WRITE "${logs}/TILL2-shown-2026-12.csv" "time,code,source,station\r\n2026-12-01 09:00:00,ZZ--999,till,\r\n")
expect_output("6 items shown (2 log files)\n\ntill: 4 shown, 2 items\n       3  CH--123\n       1  RI--007\n\nslide show: 1 shown, 1 item\n       1  RI--007\n\ntyped: 1 shown, 1 item\n       1  1200345\n\n1 line was not understood\n"
              shown ${logs} TILL1)
expect_output("2 items shown from 2026-12-02 to 2026-12-02 (2 log files)\n\ntill: 1 shown, 1 item\n       1  CH--123\n\ntyped: 1 shown, 1 item\n       1  1200345\n\n1 line was not understood\n"
              shown ${logs} TILL1 --from 2026-12-02 --to 2026-12-02)
expect_match(2 "^$" shown ${logs} --from 2026-13-01)
