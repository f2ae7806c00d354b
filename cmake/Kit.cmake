# Shared build rules. Components use only the kit_* functions below, so that a
# target is declared once and each build (native, fuzz, i686 and x86_64
# Windows) picks what it can run.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(KIT_WINDOWS ON)
else()
    set(KIT_WINDOWS OFF)
endif()

add_compile_options(-Wall -Wextra)
# The same bytes in both builds: Korean literals become code page 949. clang
# (the fuzz build) knows only UTF-8, which the fuzzers do not mind.
if(NOT KIT_FUZZ)
    add_compile_options(-fexec-charset=CP949)
endif()

set(KIT_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
# The native build whose packer and mkdist the Windows tests run (tools/build.sh
# passes its own); the scripts find it in KIT_NATIVE.
set(KIT_NATIVE_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/native CACHE PATH "native build of the packer and mkdist")
# What the version resources say besides the version (VERSION at the top).
string(REGEX MATCHALL "[0-9]+" _v "${KIT_VERSION}.0.0.0")
list(SUBLIST _v 0 4 _v)
list(JOIN _v "," KIT_VERSION_COMMAS)
list(JOIN _v "." KIT_VERSION4)
set(KIT_COMPANY "Tessaro")
set(KIT_PRODUCT "Varnel Installation Kit")
set(KIT_COPYRIGHT "Copyright (C) 1999-2026 Tessaro")

if(KIT_WINDOWS)
    enable_language(RC)
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    # Our Windows dependencies (tools/deps) for this build's bitness.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(KIT_DEPS_ARCH_DIR ${KIT_DEPS_DIR}/win64)
    else()
        set(KIT_DEPS_ARCH_DIR ${KIT_DEPS_DIR}/win32)
    endif()
    add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501)
    # No runtime DLLs beside the programs: everything static.
    add_link_options(-static -static-libgcc -static-libstdc++)
elseif(KIT_FUZZ)
    add_compile_options(-g -O1 -fsanitize=fuzzer-no-link,address,undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(KIT_SANITIZE)
    add_compile_options(-g -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from the packaged sources, compiled by this build's compiler, so the
# Windows build gets an i686 copy and the sanitizer build an instrumented one.
if(NOT KIT_FUZZ AND NOT TARGET gtest)
    set(gtest_disable_pthreads ${KIT_WINDOWS} CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Its sources are not ours to keep warning-free.
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
endif()

# kit_library(name SOURCES ... [LIBS ...] [WINDOWS_ONLY]) - a static library.
# Portable libraries (no windows.h) build everywhere; WINDOWS_ONLY ones only in
# the Windows build.
function(kit_library name)
    cmake_parse_arguments(A "WINDOWS_ONLY" "" "SOURCES;LIBS" ${ARGN})
    if(A_WINDOWS_ONLY AND NOT KIT_WINDOWS)
        return()
    endif()
    add_library(${name} STATIC ${A_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    if(A_LIBS)
        target_link_libraries(${name} PUBLIC ${A_LIBS})
    endif()
endfunction()

# kit_test(name SOURCES ... [LIBS ...] [WINDOWS_ONLY] [NATIVE_ONLY] [TIMEOUT seconds])
# A GoogleTest executable. Portable tests run in the native build and again under
# Wine in the Windows build; WINDOWS_ONLY tests run under Wine only (all of them
# in the session's Xvfb display). TIMEOUT defaults to 600 seconds.
function(kit_test name)
    cmake_parse_arguments(A "WINDOWS_ONLY;NATIVE_ONLY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(KIT_FUZZ OR (A_WINDOWS_ONLY AND NOT KIT_WINDOWS) OR (A_NATIVE_ONLY AND KIT_WINDOWS))
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS} gtest gtest_main)
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 600)
    endif()
    if(KIT_WINDOWS)
        # Under Wine a process start costs most of a second: one CTest test per
        # executable, and the harness counts the GoogleTest cases from the output.
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine_session TIMEOUT ${A_TIMEOUT} LABELS wine)
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES LABELS native TIMEOUT ${A_TIMEOUT})
    endif()
endfunction()

# kit_script_test(name COMMAND ... [TIMEOUT seconds]) - a test driven by a shell
# script (Windows build only: it starts our programs under Wine). TIMEOUT
# defaults to 900 seconds.
function(kit_script_test name)
    cmake_parse_arguments(A "" "TIMEOUT" "COMMAND" ${ARGN})
    if(NOT KIT_WINDOWS)
        return()
    endif()
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 900)
    endif()
    add_test(NAME ${name} COMMAND ${A_COMMAND})
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine_session TIMEOUT ${A_TIMEOUT} LABELS wine
        ENVIRONMENT KIT_NATIVE=${KIT_NATIVE_BUILD_DIR})
endfunction()

# kit_stub_code(target) - a library the self-extractor stub links, in the
# Windows builds: compiled for size and, for the stub, optimised with it as
# one program at link time.
#
# No -fdata-sections: with it this compiler puts zero-filled statics (the
# decoder workspace) into initialised data. Every section is padded to 512
# bytes in the file, so the stub keeps no initialised writable data at all
# (no .data section), and its switches compare instead of jumping through
# tables, whose entries each cost a relocation. On i686 Windows keeps the
# stack 4-byte aligned only: no realigning for a 16-byte boundary that
# nothing here needs, and no frame pointer. Link-time optimisation takes some
# 1.8 KB off the code; inlining a function called once adds 0.7 KB. Fat
# objects: the packer and the tests link the same libraries without it.
set(KIT_STUB_FLAGS -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics -ffunction-sections
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector -fno-stack-check
    -fno-jump-tables -malign-data=abi -fomit-frame-pointer
    -flto -ffat-lto-objects -fno-inline-functions-called-once)
if(KIT_WINDOWS AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND KIT_STUB_FLAGS -mpreferred-stack-boundary=2)
endif()
function(kit_stub_code name)
    if(NOT KIT_WINDOWS)
        return()
    endif()
    target_compile_options(${name} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${KIT_STUB_FLAGS}>")
    target_link_options(${name} INTERFACE "$<$<NOT:$<STREQUAL:$<TARGET_PROPERTY:NAME>,selfext>>:-fno-lto>")
endfunction()

# kit_fuzz_target(name SOURCES ... [LIBS ...]) - a libFuzzer target (fuzz build only).
function(kit_fuzz_target name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT KIT_FUZZ)
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()

# kit_tool(name SOURCES ... [LIBS ...] [WINDOWS_TOO]) - a program that runs on
# the build machine: a vendor tool or a benchmark (native and bench builds,
# not run by CTest). WINDOWS_TOO also makes it a Windows console program.
function(kit_tool name)
    cmake_parse_arguments(A "WINDOWS_TOO" "" "SOURCES;LIBS" ${ARGN})
    if(KIT_FUZZ OR (KIT_WINDOWS AND NOT A_WINDOWS_TOO))
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    if(KIT_WINDOWS)
        target_link_options(${name} PRIVATE -s)
    endif()
endfunction()

# kit_program(name SOURCES ... [LIBS ...] [CONSOLE]
#             [SHIPPED requireAdministrator|asInvoker DESCRIPTION text]
#             [IMPORTS_BESIDE dll ...]) - a
# Windows program. A SHIPPED one carries the kit's version resource and a
# manifest with that execution level; without a manifest Windows would
# virtualise its writes to Program Files and HKLM, or guess from its name
# that it is an installer. An elevated one may import at load time only the
# system's known libraries and those IMPORTS_BESIDE names (the build checks).
function(kit_program name)
    cmake_parse_arguments(A "CONSOLE" "SHIPPED;DESCRIPTION" "SOURCES;LIBS;IMPORTS_BESIDE" ${ARGN})
    if(NOT KIT_WINDOWS)
        return()
    endif()
    if(A_SHIPPED)
        set(KIT_PROGRAM ${name})
        set(KIT_EXECUTION_LEVEL ${A_SHIPPED})
        set(KIT_FILE_DESCRIPTION ${A_DESCRIPTION})
        set(KIT_MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest)
        # Without its comments and indentation: the stub counts every byte.
        file(READ ${KIT_CMAKE_DIR}/app.manifest.in manifest)
        string(REGEX REPLACE "<!--[^>]*-->" "" manifest "${manifest}")
        string(REGEX REPLACE "\n[ \n]*" "" manifest "${manifest}")
        string(CONFIGURE "${manifest}" manifest @ONLY)
        file(CONFIGURE OUTPUT ${KIT_MANIFEST_FILE} CONTENT "${manifest}" @ONLY)
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}-version.rc)
        configure_file(${KIT_CMAKE_DIR}/version.rc.in ${rc} @ONLY)
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KIT_MANIFEST_FILE})
        list(APPEND A_SOURCES ${rc})
    endif()
    add_executable(${name} ${A_SOURCES})
    # Shipped programs carry no symbols: a third of their size otherwise.
    target_link_options(${name} PRIVATE -s)
    if(NOT A_CONSOLE)
        target_link_options(${name} PRIVATE -mwindows)
    endif()
    if(A_LIBS)
        target_link_libraries(${name} PRIVATE ${A_LIBS})
    endif()
    if(A_SHIPPED STREQUAL "requireAdministrator")
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${name}> -DOBJDUMP=${CMAKE_OBJDUMP}
                    "-DEXTRA=${A_IMPORTS_BESIDE}" -P ${KIT_CMAKE_DIR}/CheckImports.cmake
            VERBATIM)
    endif()
endfunction()

if(KIT_WINDOWS)
    # The Wine session every Windows-side test runs in: one prefix, one display,
    # one wineserver, started before the first test and ended after the last,
    # whatever the tests did.
    set(KIT_WINE "${CMAKE_SOURCE_DIR}/tools/wine-session.sh")
    add_test(NAME wine_session_start COMMAND ${KIT_WINE} start)
    add_test(NAME wine_session_stop COMMAND ${KIT_WINE} stop)
    set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session LABELS wine)
    set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session LABELS wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tools/wine-run.sh" CACHE STRING "" FORCE)
endif()
