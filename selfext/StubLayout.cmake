# Writes the stub's linker script: the toolchain's own default, with the
# read-only data placed at the end of the code. Each section costs its share
# of a 512-byte file alignment; the constants are a small, separate one.
# Code and constants stay read-only, as they were.
# Run as: cmake -DLD=... -DOUT=... -P StubLayout.cmake
execute_process(COMMAND "${LD}" --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not read the default linker script of ${LD}")
endif()
string(REGEX MATCH "\n=+\n(.*)\n=+\n" script "${verbose}")
set(script "${CMAKE_MATCH_1}")
set(rdata "[ \t]*\\*\\(\\.rdata\\)[ \t]*\n[ \t]*\\*\\(SORT\\(\\.rdata\\$\\*\\)\\)[ \t]*\n")
set(etext "    PROVIDE \\(etext = \\.\\);")
string(REGEX MATCH "${rdata}" found "${script}")
string(REGEX MATCH "${etext}" before "${script}")
if(NOT found OR NOT before)
    message(FATAL_ERROR "the default linker script of ${LD} has no .rdata or etext where expected")
endif()
string(REGEX REPLACE "${rdata}" "" script "${script}")
string(REGEX REPLACE "${etext}" "    *(.rdata)\n    *(SORT(.rdata$*))\n    PROVIDE (etext = .);" script "${script}")
file(WRITE "${OUT}" "${script}\n")
