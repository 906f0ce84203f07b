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
