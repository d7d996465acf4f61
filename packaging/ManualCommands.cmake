cmake_minimum_required(VERSION 3.25)

# Writes a help2man include file with a COMMANDS section: each command of spawn-tool --help with
# its own --help, as the program prints them.
#   cmake -DTOOL=spawn-tool -DOUTPUT=commands.h2m -P ManualCommands.cmake
function(run_help output_variable)
  execute_process(COMMAND ${TOOL} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} --help failed: ${status}")
  endif()
  set(${output_variable} "${text}" PARENT_SCOPE)
endfunction()

# Preformatted roff: backslashes and hyphens escaped, a leading dot or quote kept as text. A
# leading "[" or "/" is kept as text too: help2man would take a line such as "[Exactly 1 of the
# following options is required]", which CLI11 prints above an option group, for the start of a
# section of the page of its own, and every command after it would sit under that section.
function(roff_verbatim output_variable text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'/[])" "\\1\\\\&\\2" text "${text}")
  set(${output_variable} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

run_help(top)
string(REGEX MATCH "\nSubcommands:\n.*" commands_section "${top}")
string(REGEX MATCHALL "\n  [^ \n]+" commands "${commands_section}")
set(page "[COMMANDS]\nEach command has its own options; `spawn-tool COMMAND --help' prints them.\n")
foreach(command ${commands})
  string(STRIP "${command}" command)
  run_help(help ${command})
  roff_verbatim(help "${help}")
  string(APPEND page ".SS ${command}\n${help}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
