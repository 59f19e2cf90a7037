# SPDX-License-Identifier: ISC
# The manual page, the package's documents and the packages: cpack -G DEB
# (or TGZ) in the build folder gives the Debian package (or the binary
# tarball), cpack --config CPackSourceConfig.cmake the source tarball.

set(CPACK_PACKAGE_NAME t-ftz)
set(T_MAINTAINER "t maintainers <t-maintainers@users.noreply.example.org>")

# Lines of a template that start with # are the template's own comments.
function(t_configure template output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
  file(READ ${template} text)
  string(REGEX REPLACE "\n#[^\n]*" "" text "\n${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  string(CONFIGURE "${text}" text @ONLY)
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}")
endfunction()

# The release date is written once, in the changelog's newest entry; the
# manual page shows it, and the packages' timestamps are it unless
# SOURCE_DATE_EPOCH says otherwise.
file(STRINGS packaging/changelog.in trailers REGEX "^ -- .*  [^ ]")
list(GET trailers 0 newest)
string(REGEX REPLACE "^ -- .*  " "" release "${newest}")
execute_process(COMMAND date -u -d "${release}" +%s
  OUTPUT_VARIABLE T_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -d @${T_RELEASE_EPOCH} +%F
  OUTPUT_VARIABLE T_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)

set(doc ${CMAKE_CURRENT_BINARY_DIR})
t_configure(man/t.1.in ${doc}/t.1)
t_configure(packaging/changelog.in ${doc}/changelog)
if(T_LINKED_STATICALLY)
  # A static t carries part of its C library, which the copyright file
  # credits: the library as Debian packages it, asked of dpkg above.
  t_configure(packaging/copyright-${T_LIBC}.in ${doc}/copyright-libc)
  file(READ ${doc}/copyright-libc T_COPYRIGHT_LIBC)
else()
  set(T_COPYRIGHT_LIBC "")
endif()
t_configure(packaging/copyright.in ${doc}/copyright)

# gzip -n, so that the compressed files hold no name or time of their own.
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT t.1.gz changelog.gz
  COMMAND ${GZIP} -9nkf t.1 changelog
  DEPENDS ${doc}/t.1 ${doc}/changelog
  WORKING_DIRECTORY ${doc})
add_custom_target(documents ALL DEPENDS t.1.gz changelog.gz)

install(TARGETS t)
install(FILES ${doc}/t.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Under the package's name, where Debian keeps a package's documents.
install(FILES ${doc}/copyright ${doc}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
# Only in the Debian package, and only for a static t.
if(T_LINKED_STATICALLY)
  install(FILES packaging/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
    RENAME ${CPACK_PACKAGE_NAME} COMPONENT deb EXCLUDE_FROM_ALL)
  set(CPACK_T_DEB_COMPONENTS Unspecified deb)
else()
  set(CPACK_T_DEB_COMPONENTS Unspecified)
endif()
# Only in the tarball, beside bin/ and share/.
install(FILES LICENSE README.md DESTINATION . COMPONENT tarball
  EXCLUDE_FROM_ALL)
set(CPACK_T_TGZ_COMPONENTS Unspecified tarball)
set(CPACK_T_RELEASE_EPOCH ${T_RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack-generator.cmake)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_PACKAGE_CONTACT ${T_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "switch on flush-to-zero and denormals-are-zero and print ok")
set(CPACK_PACKAGE_DESCRIPTION "t switches the floating-point unit of its own
process to flush-to-zero and denormals-are-zero, writes the line ok to
standard output and exits 0, or exits 1 with a message when the line cannot
be delivered. It starts fast and reads nothing, so scripts and test
harnesses use it as a minimal program whose exact output and status they
can check: that a machine, container or emulator runs programs with that
mode switched on and delivers their output.")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME
  ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
# A static t needs nothing installed beside it; a dynamic one needs the C
# library's package.
if(NOT T_LINKED_STATICALLY AND CMAKE_CROSSCOMPILING)
  # dpkg-shlibdeps cannot see the other processor's C library; t's newest
  # symbol version there is GLIBC_2.34, as here.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34)")
elseif(NOT T_LINKED_STATICALLY)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

# The sources as the repository tracks them: no build folders, no version
# control, no editor droppings.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES
  "^${PROJECT_SOURCE_DIR}/build(-[^/]*)?/" "/\\\\.git/" "/\\\\.git$" "/_CPack_Packages/"
  "~$" "\\\\.sw[op]$" "/#[^/]*#$" "/\\\\.#" "\\\\.orig$" "\\\\.rej$"
  "/\\\\.cache/" "/\\\\.vscode/" "/\\\\.idea/")
if(NOT PROJECT_BINARY_DIR STREQUAL PROJECT_SOURCE_DIR)
  list(APPEND CPACK_SOURCE_IGNORE_FILES "^${PROJECT_BINARY_DIR}/")
endif()
include(CPack)
