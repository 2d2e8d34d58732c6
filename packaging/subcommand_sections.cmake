# Writes the help2man include file that gives murelta-batch's manual page a section on each
# subcommand, made by help2man from that subcommand's --help, so that the page holds every
# option of every subcommand. The subcommands are those the program's --help lists.
#   cmake -DHELP2MAN=... -DPROGRAM=murelta-batch -DOUTPUT=... -P subcommand_sections.cmake
# PROGRAM is found on the PATH, so that the help names it as its users call it.
foreach(variable HELP2MAN PROGRAM OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "subcommand_sections.cmake: ${variable} is not given")
    endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()
string(FIND "${help}" "\nSubcommands:\n" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} --help lists no subcommands")
endif()
string(SUBSTRING "${help}" ${start} -1 listed)
string(REGEX MATCHALL "\n  [a-z][a-z-]*" subcommands "${listed}")

set(sections "[SUBCOMMANDS]\n")
foreach(subcommand IN LISTS subcommands)
    string(STRIP "${subcommand}" subcommand)
    execute_process(
        COMMAND ${HELP2MAN} --no-info --name=${PROGRAM} "--help-option=${subcommand} --help"
            ${PROGRAM}
        OUTPUT_VARIABLE page RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "help2man on ${PROGRAM} ${subcommand} --help failed: ${status}")
    endif()
    # From the synopsis on: the synopsis heads the subcommand's part, its description and the
    # help's own headings (Positionals:, Options:) become paragraphs in it.
    string(FIND "${page}" ".SH SYNOPSIS\n" start)
    string(SUBSTRING "${page}" ${start} -1 page)
    string(REPLACE ".SH SYNOPSIS\n" ".SS ${subcommand}\n" page "${page}")
    string(REPLACE "\n.SH DESCRIPTION\n" "\n.PP\n" page "${page}")
    string(REGEX REPLACE "\n\\.SS \"?([^\n\"]*)\"?\n" "\n.PP\n\\1\n" page "${page}")
    string(REPLACE "\n.SH OPTIONS\n" "\n.PP\nOptions:\n" page "${page}")
    string(APPEND sections "${page}")
endforeach()
file(WRITE "${OUTPUT}" "${sections}")
