# Fails the build of an elevated program that imports at load time a library
# Windows might take from the program's own folder, where a planted copy
# could wait: only the system's known libraries, which it always loads from
# the system folder, and those named in EXTRA (UNRAR.DLL beside setup).
# Run as: cmake -DFILE=... -DOBJDUMP=... -DEXTRA="a.dll;b.dll" -P CheckImports.cmake
cmake_policy(SET CMP0057 NEW)
execute_process(COMMAND "${OBJDUMP}" -p "${FILE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not read the imports of ${FILE}")
endif()
set(known kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll shell32.dll comdlg32.dll
    shlwapi.dll msvcrt.dll)
foreach(dll IN LISTS EXTRA)
    string(TOLOWER "${dll}" dll)
    list(APPEND known "${dll}")
endforeach()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(names "")
foreach(line IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${line}")
    list(APPEND names "${dll}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST known)
        # Removed so that the next build links again instead of taking it as done.
        file(REMOVE "${FILE}")
        message(FATAL_ERROR "${FILE} must not import ${dll}: load it by full path instead")
    endif()
endforeach()
get_filename_component(program "${FILE}" NAME)
string(REPLACE ";" " " names "${names}")
message("${program} imports: ${names}")
