# Pads the stub to the size the archive offset assumes, and fails when the
# linked program is already larger (the first entry would then be read from
# inside the program), when it leaves less than RESERVE bytes of padding
# (where the packer puts the record of the program to start), or when it
# imports a library the system might take from the program's own folder,
# where a planted copy could wait.
# Run as: cmake -DFILE=... -DLIMIT=... -DRESERVE=... -DOBJDUMP=... -DOBJCOPY=... -P PadStub.cmake

# The unwind tables of the few objects built with them (.eh_frame, which a
# PE image names .eh_fram: section names there hold eight bytes) are read by
# nothing: the stub has no exceptions and registers no frames. They would
# cost a whole file-aligned section.
execute_process(COMMAND "${OBJCOPY}" --remove-section=.eh_fram "${FILE}" RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not drop the unwind tables of ${FILE}")
endif()
execute_process(COMMAND "${OBJDUMP}" -p "${FILE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not read the imports of ${FILE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
foreach(line IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll MATCHES "^(kernel32|user32|gdi32|advapi32|shell32|comdlg32|msvcrt)\\.dll$")
        file(REMOVE "${FILE}")
        message(FATAL_ERROR "selfext must not import ${dll}: load it by full path instead")
    endif()
endforeach()
file(SIZE "${FILE}" size)
file(WRITE "${FILE}.size" "${size}\n")
math(EXPR room "${LIMIT} - ${size}")
message("selfext: ${size} bytes before padding (limit ${LIMIT}; ${room} bytes of padding, "
        "${RESERVE} of them kept for the run record)")
if(size GREATER LIMIT)
    # Removed so that the next build links again instead of taking it as done.
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "selfext is ${size} bytes, larger than its ${LIMIT}-byte stub size")
endif()
if(room LESS RESERVE)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "selfext is ${size} bytes: it leaves ${room} bytes of padding, less than "
                        "the ${RESERVE} that the record of the program to start may take")
endif()
execute_process(COMMAND truncate -s "${LIMIT}" "${FILE}" RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not pad ${FILE}")
endif()
