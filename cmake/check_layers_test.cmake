# The layering check itself: on a small tree with a forbidden include of each
# kind it must fail and name each one; once they are gone it must pass.
#   cmake -DCHECK=<check_layers.cmake> -P check_layers_test.cmake
cmake_minimum_required(VERSION 3.25)
set(tree "${CMAKE_CURRENT_BINARY_DIR}/layers_fixture")
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/rules.txt" "low:\nhigh: low  # comment\nui: high Qt\ntests: extra\nextra:\n")
file(WRITE "${tree}/low/a.h" "#include <string>\n#include \"low/b.h\"\n")
file(WRITE "${tree}/low/sub/b.h" "#include \"low/a.h\"\n")
file(WRITE "${tree}/high/c.cpp" "#include \"low/a.h\"\n#include <gtest/gtest.h>\n")
file(WRITE "${tree}/ui/d.cpp" "#include <QWidget>\n#include \"low/a.h\"\n")
file(WRITE "${tree}/low/a_test.cpp" "#include \"extra/x.h\"\n")
file(WRITE "${tree}/extra/x.h" "\n")
set(bad
    "low/up.h: #include \"high/c.h\" (low may not use high)"
    "high/widget.cpp: #  include <QLabel> (high may not use Qt)"
    "ui/e.cpp: #include \"extra/x.h\" (ui may not use extra)"
    "stray/f.cpp: its folder has no line")
file(WRITE "${tree}/low/up.h" "#include \"high/c.h\"\n")
file(WRITE "${tree}/high/widget.cpp" "  #  include <QLabel>\n")
file(WRITE "${tree}/ui/e.cpp" "#include \"extra/x.h\"\n")
file(WRITE "${tree}/stray/f.cpp" "\n")

function(run_check out_rc out_text)
    execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${tree} -DRULES=${tree}/rules.txt -P ${CHECK}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(${out_rc} "${rc}" PARENT_SCOPE)
    set(${out_text} "${out}${err}" PARENT_SCOPE)
endfunction()

run_check(rc text)
if(rc EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with forbidden includes:\n${text}")
endif()
foreach(problem IN LISTS bad)
    string(FIND "${text}" "${problem}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the check did not report [${problem}]:\n${text}")
    endif()
endforeach()
if(NOT text MATCHES "4 problem\\(s\\) with")
    message(FATAL_ERROR "the check reported more than the four faults:\n${text}")
endif()

file(REMOVE "${tree}/low/up.h" "${tree}/high/widget.cpp" "${tree}/ui/e.cpp" "${tree}/stray/f.cpp")
run_check(rc text)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the check failed a clean tree:\n${text}")
endif()
file(REMOVE_RECURSE "${tree}")
