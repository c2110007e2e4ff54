# Installing like a console game: both programs in the binary folder (bin by
# default, or games), their manual pages in section 6, and a Debian package
# laid out as Debian's policy for games asks.
include(GNUInstallDirs)

# The same commit packs the same bytes: every time stamp in the archives is
# the date of the newest CHANGELOG entry, as Debian's own tools take it, unless
# the builder sets SOURCE_DATE_EPOCH itself. cpack reads it when it runs.
file(STRINGS "${PROJECT_SOURCE_DIR}/CHANGELOG" newest_trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>  " "" newest_date "${newest_trailer}")
execute_process(COMMAND date -u -d "${newest_date}" +%s
    OUTPUT_VARIABLE changelog_epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE date_status)
if(NOT date_status EQUAL 0 OR NOT changelog_epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "CHANGELOG: no date in the newest entry's last line '${newest_trailer}'")
endif()
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake" CONTENT [[
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} @changelog_epoch@)
endif()
]] @ONLY)
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake")

# Windows: a ZIP with both programs, the README and the licence, side by side.
if(WIN32)
    install(TARGETS tolp tolp-analyze RUNTIME DESTINATION .)
    install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME tolp)
    set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
    set(CPACK_SYSTEM_NAME windows-x86_64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(CPACK_STRIP_FILES ON)
    include(CPack)
    return()
endif()

if(TOLP_DEBIAN_LAYOUT)
    set(default_bindir games)
else()
    set(default_bindir "${CMAKE_INSTALL_BINDIR}")
endif()
set(TOLP_INSTALL_BINDIR "${default_bindir}" CACHE STRING
    "Folder under the prefix for tolp and tolp-analyze: bin, or games")

install(TARGETS tolp tolp-analyze RUNTIME DESTINATION "${TOLP_INSTALL_BINDIR}")

# The changelog doubles as the release notes; its newest entry must name the
# version that project() gives, which is the one place the version lives.
file(STRINGS "${PROJECT_SOURCE_DIR}/CHANGELOG" newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^tolp \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "CHANGELOG begins with '${newest_entry}', not version ${PROJECT_VERSION}")
endif()

# gzip -9n: the best compression, and no name or time stamp in the file, so
# the same sources always give the same package.
function(tolp_gzip source target)
    add_custom_command(OUTPUT "${target}"
        COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" "${source}" "${target}"
        DEPENDS "${source}" VERBATIM)
endfunction()

set(generated_docs)
foreach(page tolp.6 tolp-analyze.6)
    configure_file("${PROJECT_SOURCE_DIR}/man/${page}.in" "${PROJECT_BINARY_DIR}/man/${page}" @ONLY)
    if(TOLP_DEBIAN_LAYOUT)
        tolp_gzip("${PROJECT_BINARY_DIR}/man/${page}" "${PROJECT_BINARY_DIR}/man/${page}.gz")
        list(APPEND generated_docs "${PROJECT_BINARY_DIR}/man/${page}.gz")
    else()
        list(APPEND generated_docs "${PROJECT_BINARY_DIR}/man/${page}")
    endif()
endforeach()
install(FILES ${generated_docs} DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")

if(TOLP_DEBIAN_LAYOUT)
    set(doc_dir "${CMAKE_INSTALL_DATAROOTDIR}/doc/${PROJECT_NAME}")
    tolp_gzip("${PROJECT_SOURCE_DIR}/CHANGELOG" "${PROJECT_BINARY_DIR}/changelog.gz")
    list(APPEND generated_docs "${PROJECT_BINARY_DIR}/changelog.gz")
    install(FILES "${PROJECT_BINARY_DIR}/changelog.gz" "${PROJECT_SOURCE_DIR}/packaging/copyright"
            DESTINATION "${doc_dir}")
    # Without dpkg-shlibdeps CPack would build a package that names none of
    # the libraries it needs.
    find_program(TOLP_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT TOLP_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps not found: install dpkg-dev to build the Debian package")
    endif()
    # CPack picks the programs to hand to dpkg-shlibdeps with file; without it
    # packaging would fail only at its very end, after the whole build.
    find_program(TOLP_FILE file)
    if(NOT TOLP_FILE)
        message(FATAL_ERROR "file not found: install file to build the Debian package")
    endif()
endif()
add_custom_target(tolp_docs ALL DEPENDS ${generated_docs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolp)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "take-away game of numbers against the computer")
# CPack puts the summary on the first line and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"You pick n; a pile of n*n/4 tolps lies on the table, and you and the
computer take turns removing k tolps, where k is a number from 1 to n
that neither side has used yet. Whoever takes the last tolp loses.

The computer searches the game tree under a time limit per move and
reports how deep it looked. tolp-analyze works out who wins any position
of games up to n = 40 with perfect play.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOLP_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
