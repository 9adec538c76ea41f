# Writes the man page of PROGRAM, called NAME, with help2man (HELP2MAN) into
# OUT, and OUT.gz compressed as Debian compresses man pages. SUMMARY is the
# NAME section's line. For qrt35 every command's own help follows in a
# COMMANDS section, as `qrt35 help COMMAND` prints it.
#
#   cmake -DPROGRAM=... -DNAME=... -DSUMMARY=... -DHELP2MAN=... -DOUT=... -P ManPage.cmake

# `text` as lines roff prints as they are: backslashes and minus signs
# escaped (so that options copy as typed), a line starting with a dot or a
# quote kept from being read as a request.
function(roff_verbatim text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_program out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NAME} ${ARGN} failed (${rc})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(sections "")
if(NAME STREQUAL "qrt35")
  # The commands are the lines of the tool's "Commands:" list.
  run_program(tool_help --help)
  string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)+" list "${tool_help}")
  string(REGEX MATCHALL "\n  [a-z]+" names "${list}")
  if(NOT names)
    message(FATAL_ERROR "no commands found in qrt35 --help")
  endif()
  set(sections "[COMMANDS]\nEvery command's own help, as \\fBqrt35 help\\fR \\fICOMMAND\\fR prints it.\n")
  foreach(entry ${names})
    string(STRIP "${entry}" command)
    if(command STREQUAL "help")
      continue()
    endif()
    run_program(command_help help ${command})
    roff_verbatim("${command_help}" body)
    string(APPEND sections ".SS ${command}\n.nf\n${body}.fi\n")
  endforeach()
endif()
string(APPEND sections "[SEE ALSO]\n")
if(NAME STREQUAL "qrt35")
  string(APPEND sections ".BR qrt35prog (1)\n")
else()
  string(APPEND sections ".BR qrt35 (1)\n")
endif()
file(WRITE ${OUT}.h2m "${sections}")

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} --include=${OUT}.h2m
                        --output=${OUT} ${PROGRAM}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man could not write the man page of ${NAME}")
endif()
execute_process(COMMAND gzip -9n -f -k ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${OUT}")
endif()
