# The documents a Linux install carries as Debian's tools expect them: the man page and the
# changelog gzipped (-9n: no name or time stamp inside, so the bytes depend on the text
# alone), and the licence as a machine-readable copyright file. Made when CMake runs, and
# again when one of their sources changes. Sets VANTEDIT_MAN_PAGE and VANTEDIT_DEBIAN_DOCS.
set(docs ${CMAKE_BINARY_DIR}/docs)
find_program(VANTEDIT_GZIP gzip REQUIRED)

# vantedit_gzip(SOURCE OUTPUT): OUTPUT is rewritten only when its bytes change.
function(vantedit_gzip source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND ${VANTEDIT_GZIP} -9nc ${source} OUTPUT_FILE ${output}.new COMMAND_ERROR_IS_FATAL ANY)
  file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
  file(REMOVE ${output}.new)
endfunction()

file(MAKE_DIRECTORY ${docs})
vantedit_gzip(${PROJECT_SOURCE_DIR}/docs/vantedit.1 ${docs}/vantedit.1.gz)
vantedit_gzip(${PROJECT_SOURCE_DIR}/docs/changelog ${docs}/changelog.gz)

# The copyright file: the holder and the terms of LICENSE, under the licence's Debian name.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(FIND "${license}" "Permission is hereby granted" terms_start)
if(NOT license MATCHES "Copyright \\(c\\) ([^\n]+)" OR terms_start LESS 0)
  message(FATAL_ERROR "LICENSE is no longer the MIT licence text that cmake/linux_docs.cmake expects")
endif()
set(holder "${CMAKE_MATCH_1}")
string(SUBSTRING "${license}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(CONFIGURE OUTPUT ${docs}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: vantedit

Files: *
Copyright: @holder@
License: Expat
 @terms@
")

set(VANTEDIT_MAN_PAGE ${docs}/vantedit.1.gz)
set(VANTEDIT_DEBIAN_DOCS ${docs}/copyright ${docs}/changelog.gz)
