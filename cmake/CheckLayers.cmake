# Fails when a source file under src/ includes a header of a folder above its own.
# Run as: cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake

cmake_minimum_required(VERSION 3.25)

# Each folder lists what it may include besides itself. Windows (*/ui) may use every core
# folder and the shared window floor, but never another window's folder.

set(cores base link link/libftdi link/tty link/system link/udev protocol catalogue params firmware console)
set(allowed_base "")
set(allowed_link base)
set(allowed_link/libftdi link base)
set(allowed_link/tty link base)
set(allowed_link/system link/libftdi link/tty link base)
set(allowed_link/udev link base)
set(allowed_protocol link base)
set(allowed_catalogue protocol link base)
set(allowed_params catalogue protocol link base)
set(allowed_firmware catalogue protocol link base)
set(allowed_console params catalogue protocol link base)
set(allowed_sim link base)
set(allowed_ui ${cores})
set(allowed_catalogue/ui ui ${cores})
set(allowed_params/ui ui ${cores})
set(allowed_firmware/ui ui ${cores})
set(allowed_console/ui ui ${cores})
set(allowed_cli sim ${cores})
set(allowed_app ui catalogue/ui params/ui firmware/ui console/ui sim ${cores})

set(folders link/libftdi link/tty link/system link/udev catalogue/ui params/ui firmware/ui console/ui
            base link protocol catalogue params firmware console ui sim cli app)

# The folder a path below src/ belongs to: the longest listed prefix.
function(folder_of path out)
    set(${out} "" PARENT_SCOPE)
    foreach(folder IN LISTS folders)
        string(LENGTH "${folder}/" n)
        string(SUBSTRING "${path}" 0 ${n} head)
        if(head STREQUAL "${folder}/")
            set(${out} ${folder} PARENT_SCOPE)
            return()
        endif()
    endforeach()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
foreach(source IN LISTS sources)
    folder_of(${source} from)
    if(from STREQUAL "")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        folder_of(${header} to)
        if(to STREQUAL "" OR to STREQUAL from)
            continue()
        endif()
        if(NOT to IN_LIST allowed_${from})
            list(APPEND violations "${source} includes ${header} (${from} may not use ${to})")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Includes that run upward or sideways:\n  ${text}")
endif()
