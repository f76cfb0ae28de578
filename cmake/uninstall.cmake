# Removes every file that install_manifest.txt lists, the record of the last
# install from this build tree: cmake -DMANIFEST=<path> -P uninstall.cmake
# Directories are left, since others may share them.
if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (install first)")
endif()
file(STRINGS "${MANIFEST}" installed)
foreach(path IN LISTS installed)
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
        message(STATUS "Removing ${path}")
        file(REMOVE "${path}")
    else()
        message(STATUS "Already gone: ${path}")
    endif()
endforeach()
