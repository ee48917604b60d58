# The packages users install, made by CPack from the install rules: a .tar.gz and a .deb on
# Linux, a .zip on Windows, all named with the project's version. They are written to
# <build>/packages.
set(CPACK_PACKAGE_NAME vantedit)
set(CPACK_PACKAGE_VENDOR "The vantedit developers")
set(CPACK_PACKAGE_CONTACT "The vantedit developers <vantedit@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for the item and weapon statistics inside the game's executable")
# Lines of at most 80 characters: the .deb's description shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION "\
vantedit dumps the item and weapon statistics, names, descriptions and list
tables that the game keeps inside its executable into a tab-delimited text
file, and writes the edited file back into the executable. Its diff command
lists what a patch would change without writing anything.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Folders as Debian's packages have them, whatever the umask of the machine that packs.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vantedit-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME vantedit-${PROJECT_VERSION}-linux-x86_64)
  # The .deb installs under /usr; the .tar.gz unpacks to one folder holding bin/ and share/.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # A tool beside the game, not a game: Debian keeps the section games for what is installed
  # under /usr/games.
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The dependencies are what the binary links (only the C library once the runtime is built
  # in); dpkg-shlibdeps, from dpkg-dev, reads them. Without it the C library is named by hand.
  find_program(VANTEDIT_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(VANTEDIT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34)")
  endif()
endif()

include(CPack)
