cmake_minimum_required(VERSION 3.25)

# Writes the README of the Windows zip: its introduction, then the tool's own --help, so the list
# of commands in it is always the program's.
#   cmake -DTOOL=spawn-tool -DVERSION=1.2.3 -DINTRO=windows-readme.txt -DOUTPUT=README.txt -P WindowsReadme.cmake
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${status}")
endif()
file(READ ${INTRO} intro)
string(REPLACE "@VERSION@" "${VERSION}" intro "${intro}")
file(WRITE ${OUTPUT} "${intro}${help}")
