# Writes a gzipped manual page (section 1) from a program's --help text, and for a
# program with commands from each command's --help too, so the pages never drift from
# the programs. Run with cmake -P:
#   -DPROGRAM=path -DNAME=name -DSUMMARY="one line" -DVERSION=x.y -DOUTPUT=file.1.gz
#   [-DCOMMANDS="a;b;c"]  (sections "COMMAND a" ... from "PROGRAM a --help")
cmake_minimum_required(VERSION 3.21)

# Text for roff: backslashes doubled, and a line that starts with a dot or an apostrophe
# guarded so it is not read as a request.
function(roff_text input output)
    string(REPLACE "\\" "\\e" text "${input}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${output} "${text}" PARENT_SCOPE)
endfunction()

function(help_of arguments output)
    execute_process(COMMAND ${PROGRAM} ${arguments} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR out STREQUAL "")
        message(FATAL_ERROR "${PROGRAM} ${arguments}: status ${status}\n${err}")
    endif()
    roff_text("${out}" text)
    set(${output} "${text}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
help_of("--help" usage)
set(page ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"TAVO 707 Utility\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n")
string(APPEND page ".SH DESCRIPTION\nThe text below is the program's own \\fB\\-\\-help\\fR.\n.PP\n.nf\n${usage}.fi\n")
foreach(command IN LISTS COMMANDS)
    help_of("${command};--help" text)
    string(TOUPPER "${command}" heading)
    string(APPEND page ".SH COMMAND ${heading}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH SEE ALSO\n\\fBtavo\\-utility\\fR(1), \\fBtavo\\fR(1), \\fBtavo\\-sim\\fR(1)\n")

get_filename_component(plain "${OUTPUT}" NAME_WLE)
get_filename_component(dir "${OUTPUT}" DIRECTORY)
file(WRITE "${dir}/${plain}" "${page}")
# -n: no name or time stamp in the archive, so the page is the same at every build.
execute_process(COMMAND gzip -9nf "${dir}/${plain}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed for ${dir}/${plain}")
endif()
