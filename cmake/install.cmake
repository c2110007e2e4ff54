# Installing like a console game: both programs in the binary folder (bin by
# default, or games), their manual pages in section 6, and a Debian package.
include(GNUInstallDirs)

set(TOLP_INSTALL_BINDIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
    "Folder under the prefix for tolp and tolp-analyze: bin, or games")

install(TARGETS tolp tolp-analyze RUNTIME DESTINATION "${TOLP_INSTALL_BINDIR}")

foreach(page tolp.6 tolp-analyze.6)
    configure_file("${PROJECT_SOURCE_DIR}/man/${page}.in" "${PROJECT_BINARY_DIR}/man/${page}" @ONLY)
    install(FILES "${PROJECT_BINARY_DIR}/man/${page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolp)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tolp 2, a take-away game against the computer")
# CPack puts the summary on the first line and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"You pick n; a pile of n*n/4 tolps lies on the table, and you and the
computer take turns removing k tolps, where k is a number from 1 to n
that neither side has used yet. Whoever takes the last tolp loses.

The computer searches the game tree under a time limit per move and
reports how deep it looked. tolp-analyze works out who wins any position
of games up to n = 26 with perfect play.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tolp developers <tolp@localhost>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
