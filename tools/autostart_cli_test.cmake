# lumisett-tool autostart: the entry it writes is launched as the desktop
# would at log-on (gio, GLib's own reading of desktop entries), starting a
# stand-in lumisett found on PATH that notes its folder and arguments. A
# profile and a folder with characters that mean something to the launcher
# or the shell come through as they are; a second write replaces the entry;
# a link planted at the entry's name is refused and left alone; --remove
# removes. TOOL: the program; GIO: gio; WORK: a folder of the test's own.
file(REMOVE_RECURSE ${WORK})
set(config ${WORK}/config)
# The stand-in's folder has quotes, a dollar and a back quote in its name:
# the program's path in Exec= is quoted too.
set(bin "${WORK}/bin \"q\" $x `y`")
set(record ${WORK}/started.txt)
file(WRITE "${bin}/lumisett" "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '${record}'\n")
file(CHMOD "${bin}/lumisett" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{PATH} "${bin}:$ENV{PATH}")
set(ENV{XDG_CONFIG_HOME} ${config})

function(autostart rc_expected out_var)
    execute_process(COMMAND ${TOOL} autostart ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL rc_expected)
        message(FATAL_ERROR "lumisett-tool autostart ${ARGN}: exit ${rc} (expected ${rc_expected}): ${out}${err}")
    endif()
    set(${out_var} "${out}${err}" PARENT_SCOPE)
endfunction()

# Launches `entry` and returns what the stand-in noted: its folder, then each
# argument in brackets.
function(launch entry out_var)
    file(REMOVE ${record})
    execute_process(COMMAND ${GIO} launch ${entry} RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "gio launch ${entry}: exit ${rc}: ${err}")
    endif()
    foreach(i RANGE 100)
        if(EXISTS ${record})
            file(READ ${record} started)
            if(started MATCHES "\n$")
                set(${out_var} "${started}" PARENT_SCOPE)
                return()
            endif()
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
    endforeach()
    message(FATAL_ERROR "gio launch ${entry}: the stand-in for lumisett did not start")
endfunction()

# Blanks, quotes, a dollar, a back quote, a percent sign, shell punctuation
# and a non-ASCII letter (no semicolon: CMake would split the argument
# there). The display drops ".ini", the double quotes and "*?<>" from a
# profile name, and so does the entry.
set(profile "TILL 1 $HOME `id` 'q' %f&#()*?<>~ \"é\".ini")
set(clean "TILL 1 $HOME `id` 'q' %f&#()~ é")
foreach(folder "${WORK}/shop $HOME 'a' %u" "${WORK}/second folder")
    file(MAKE_DIRECTORY "${folder}")
    autostart(0 out "${profile}" --folder "${folder}")
    set(entry "${config}/autostart/lumisett-${clean}.desktop")
    if(NOT out STREQUAL "${entry}\n")
        message(FATAL_ERROR "lumisett-tool autostart printed [${out}], expected [${entry}]")
    endif()
    file(GLOB entries ${config}/autostart/*)
    list(LENGTH entries count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "the autostart folder holds ${count} files, expected the one entry: ${entries}")
    endif()
    launch("${entry}" started)
    if(NOT started STREQUAL "${folder}\n[${clean}]\n")
        message(FATAL_ERROR "the entry started lumisett as [${started}], expected [${folder}\n[${clean}]\n]")
    endif()
endforeach()

# The folder defaults to the current one.
execute_process(COMMAND ${TOOL} autostart PLAIN WORKING_DIRECTORY "${bin}" RESULT_VARIABLE rc OUTPUT_QUIET)
launch("${config}/autostart/lumisett-PLAIN.desktop" started)
if(NOT rc EQUAL 0 OR NOT started STREQUAL "${bin}\n[PLAIN]\n")
    message(FATAL_ERROR "autostart PLAIN from ${bin}: exit ${rc}, started as [${started}]")
endif()

# Removal, twice; the second finds nothing and is content.
autostart(0 out "${profile}" --remove)
if(EXISTS "${entry}" OR NOT out MATCHES "^removed ")
    message(FATAL_ERROR "autostart --remove left ${entry} (printed ${out})")
endif()
autostart(0 out "${profile}" --remove)

# A link planted at the name: neither written through nor removed.
file(CREATE_LINK ${WORK}/victim.txt ${config}/autostart/lumisett-LINKED.desktop SYMBOLIC)
foreach(args "LINKED" "LINKED;--remove")
    autostart(1 out ${args})
    if(NOT out MATCHES "symbolic link" OR EXISTS ${WORK}/victim.txt
       OR NOT IS_SYMLINK ${config}/autostart/lumisett-LINKED.desktop)
        message(FATAL_ERROR "autostart ${args} over a planted link: ${out}")
    endif()
endforeach()

# Wrong use: no profile, an unknown option, a folder that is not there.
autostart(2 out)
autostart(2 out X --bogus)
autostart(1 out X --folder ${WORK}/none)
