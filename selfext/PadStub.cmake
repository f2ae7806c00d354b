# Pads the stub to the size the archive offset assumes, and fails when the
# linked program is already larger: the first entry would then be read from
# inside the program. Run as: cmake -DFILE=... -DLIMIT=... -P PadStub.cmake
file(SIZE "${FILE}" size)
file(WRITE "${FILE}.size" "${size}\n")
message("selfext: ${size} bytes before padding (limit ${LIMIT})")
if(size GREATER LIMIT)
    # Removed so that the next build links again instead of taking it as done.
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "selfext is ${size} bytes, larger than its ${LIMIT}-byte stub size")
endif()
execute_process(COMMAND truncate -s "${LIMIT}" "${FILE}" RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not pad ${FILE}")
endif()
