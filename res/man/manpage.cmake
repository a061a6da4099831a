# SPDX-License-Identifier: MIT
# Writes a gzip-compressed manual page: TEMPLATE with @VERSION@ filled in
# and, when PROGRAM is given, @SYNOPSIS@, @DESCRIPTION@, @OPTIONS@ and
# @NOTES@ filled from the text that `PROGRAM --help` prints:
#
#   Usage: NAME ARGUMENTS                       -> SYNOPSIS
#   paragraphs up to "Options:"                 -> DESCRIPTION
#     -o, --output FILE   what it does          -> one tagged paragraph per option;
#                         continued here           lines indented further continue it
#   paragraphs after the options                -> NOTES
#
# cmake -DTEMPLATE=... -DOUTPUT=....1.gz -DVERSION=... [-DPROGRAM=...] -P manpage.cmake

cmake_minimum_required(VERSION 3.25)

foreach(required TEMPLATE OUTPUT VERSION)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "manpage.cmake: ${required} is not set")
    endif()
endforeach()

# Text for roff: backslashes kept, a line never starts a request, and the
# dashes that begin an option are minus signs.
function(roff_text text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|[ (\"|])--" "\\1\\\\-\\\\-" text "${text}")
    string(REGEX REPLACE "(^|[ (\"|])-([A-Za-z])" "\\1\\\\-\\2" text "${text}")
    string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The paragraph gathered so far ends and joins the section `into` (after a
# ".PP" when the section has text already).
macro(end_paragraph into)
    if(NOT paragraph STREQUAL "")
        if(NOT ${into} STREQUAL "")
            string(APPEND ${into} ".PP\n")
        endif()
        string(APPEND ${into} "${paragraph}")
        set(paragraph "")
    endif()
endmacro()

macro(add_to_paragraph line)
    roff_text("${line}" text)
    string(APPEND paragraph "${text}\n")
endmacro()

if(DEFINED PROGRAM)
    execute_process(COMMAND "${PROGRAM}" --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR help STREQUAL "")
        message(FATAL_ERROR "manpage.cmake: ${PROGRAM} --help failed (${status})")
    endif()
    # One list element a line; brackets would join elements, so they travel
    # as placeholders.
    string(REPLACE ";" "\\;" help "${help}")
    string(REPLACE "[" "@LSB@" help "${help}")
    string(REPLACE "]" "@RSB@" help "${help}")
    string(REPLACE "\n" ";" lines "${help}")

    set(part usage)
    set(synopsis "")
    set(description "")
    set(options "")
    set(notes "")
    set(paragraph "")
    foreach(line IN LISTS lines)
        string(REPLACE "@LSB@" "[" line "${line}")
        string(REPLACE "@RSB@" "]" line "${line}")
        if(part STREQUAL "usage")
            if(line MATCHES "^Usage: ([^ ]+) ?(.*)$")
                roff_text("${CMAKE_MATCH_2}" rest)
                set(synopsis ".B ${CMAKE_MATCH_1}\n${rest}\n")
                set(part description)
            endif()
        elseif(part STREQUAL "description")
            if(line STREQUAL "Options:")
                set(part options)
            elseif(line STREQUAL "")
                end_paragraph(description)
            else()
                add_to_paragraph("${line}")
            endif()
        elseif(part STREQUAL "options")
            if(line STREQUAL "")
                set(part notes)
            elseif(line MATCHES "^ ? ? ? ? ? ? ? ?-")
                # An option: its names and argument, then after two blanks or
                # more what it does (or that on the lines below).
                string(STRIP "${line}" entry)
                set(what "")
                if(entry MATCHES "^(.*[^ ])   *([^ ].*)$")
                    set(entry "${CMAKE_MATCH_1}")
                    set(what "${CMAKE_MATCH_2}")
                endif()
                roff_text("${entry}" entry)
                string(APPEND options ".TP\n.B ${entry}\n")
                if(NOT what STREQUAL "")
                    roff_text("${what}" what)
                    string(APPEND options "${what}\n")
                endif()
            else()
                string(STRIP "${line}" line)
                roff_text("${line}" text)
                string(APPEND options "${text}\n")
            endif()
        else()
            if(line STREQUAL "")
                end_paragraph(notes)
            else()
                add_to_paragraph("${line}")
            endif()
        endif()
    endforeach()
    if(part STREQUAL "notes")
        end_paragraph(notes)
    else()
        end_paragraph(description)
    endif()
    if(synopsis STREQUAL "" OR options STREQUAL "")
        message(FATAL_ERROR "manpage.cmake: no usage line or no options in ${PROGRAM} --help")
    endif()
    string(REPLACE "\\;" ";" synopsis "${synopsis}")
    string(REPLACE "\\;" ";" description "${description}")
    string(REPLACE "\\;" ";" options "${options}")
    string(REPLACE "\\;" ";" notes "${notes}")
    string(REGEX REPLACE "\n$" "" SYNOPSIS "${synopsis}")
    string(REGEX REPLACE "\n$" "" DESCRIPTION "${description}")
    string(REGEX REPLACE "\n$" "" OPTIONS "${options}")
    string(REGEX REPLACE "\n$" "" NOTES "${notes}")
endif()

get_filename_component(page "${OUTPUT}" NAME_WLE)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
configure_file("${TEMPLATE}" "${folder}/${page}" @ONLY)
# Compressed as Debian keeps manual pages; MTIME fixed so that a rebuild
# gives the same bytes.
file(ARCHIVE_CREATE OUTPUT "${OUTPUT}" PATHS "${folder}/${page}" FORMAT raw
     COMPRESSION GZip COMPRESSION_LEVEL 9 MTIME 0)
