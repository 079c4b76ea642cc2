# The release: `cmake --build --preset windows --target package` makes
# installer-<version>-win32.zip (win64 for the 64-bit twin) in the build
# folder, holding the distribution folder, its README.txt and the licences
# of what it bundles under one top folder of the same name. The files and
# their places are the install rules of tools/dist.
# INSTALLER_PACKAGE_NAME is set by the top-level list.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME installer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${INSTALLER_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Only what tools/dist installs: the distribution folder, not the tests.
set(CPACK_COMPONENTS_ALL release)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)
