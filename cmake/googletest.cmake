# GoogleTest for the unit tests: the system's (libgtest-dev), else built from
# the sources Debian's googletest package keeps in /usr/src/googletest (as the
# cross builds do). Nothing is downloaded: without either, configuring stops
# at once and names the package.
set(PICTOLINE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources, used when no installed GoogleTest is found")

find_package(GTest QUIET)
if(GTest_FOUND AND NOT TARGET GTest::gtest_main)
    # FindGTest of CMake 3.19 and older names it GTest::Main.
    add_library(GTest::gtest_main ALIAS GTest::Main)
elseif(NOT GTest_FOUND)
    if(NOT EXISTS ${PICTOLINE_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest is missing: install libgtest-dev, or set BUILD_TESTING=OFF")
    endif()
    # Only the libraries the tests link are built; GoogleTest is not held to
    # this project's warnings.
    add_subdirectory(${PICTOLINE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
endif()
include(GoogleTest)
