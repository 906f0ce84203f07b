# Runs lumisett-tool as support staff would and checks what it prints.
function(expect_output expected)
    execute_process(COMMAND ${TOOL} ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc
                    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "${expected}")
        message(FATAL_ERROR "lumisett-tool ${ARGN}: exit ${rc}, printed [${out}], expected [${expected}]")
    endif()
endfunction()

expect_output("1200345\nAB--123\n1234567\n" normalize 12345 AB123 1234567/2)
get_filename_component(here "${CMAKE_CURRENT_BINARY_DIR}" ABSOLUTE)
string(REGEX REPLACE "^/" "" rel "${here}")
string(REPLACE "/" "\\" rel "${rel}")
expect_output("Cxshop\n\\${rel}\\Cxshop.ini\n\\${rel}\\Cxshop.dbf\n" profile "C:\\x\\shop.INI")
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "normalize" OR NOT out MATCHES "profile")
    message(FATAL_ERROR "lumisett-tool --help: exit ${rc}, printed [${out}]")
endif()

# find-picture: a picture in the prefix folder, found whatever the case of its name.
set(data "${CMAKE_CURRENT_BINARY_DIR}/find-picture-data")
file(REMOVE_RECURSE "${data}")
file(WRITE "${data}/images/ab/Ab12345.PNG" "x")
expect_output("${data}\\images\\AB\\AB12345.png\n" find-picture "${data}" "AB12345*")
expect_output("\n" find-picture "${data}" "CD12345")
file(REMOVE_RECURSE "${data}")
