# SPDX-License-Identifier: ISC
# Read by cpack for each generator: what each package holds, and the time
# its files are stamped with.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL ${CPACK_T_DEB_COMPONENTS})
elseif(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_COMPONENTS_ALL ${CPACK_T_TGZ_COMPONENTS})
  # One folder, named as the tarball, holds it all.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_T_RELEASE_EPOCH})
endif()
