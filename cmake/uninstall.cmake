# Removes every file that install_manifest.txt lists, the record of the last
# install from this build tree: cmake -DMANIFEST=<path> -P uninstall.cmake
# A staged install is removed with the same DESTDIR, which the manifest's
# paths may leave out. Directories are left, since others may share them.
if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (install first)")
endif()
file(STRINGS "${MANIFEST}" installed)
foreach(file IN LISTS installed)
    set(path "$ENV{DESTDIR}${file}")
    if(NOT "$ENV{DESTDIR}" STREQUAL "")
        string(FIND "${file}" "$ENV{DESTDIR}" at)
        if(at EQUAL 0)
            set(path "${file}")
        endif()
    endif()
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
        message(STATUS "Removing ${path}")
        file(REMOVE "${path}")
    else()
        message(STATUS "Already gone: ${path}")
    endif()
endforeach()
