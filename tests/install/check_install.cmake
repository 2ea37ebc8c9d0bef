# Installs the build into ROOT with DESTDIR and prefix /usr, as a package would, and checks that
# each file is in its place, nothing else is there, and what is installed works.
#   cmake -DBUILD=... -DROOT=... -DSOURCE=... -DVERSION=... -DAPP_ID=... -P check_install.cmake

file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()

set(expected
  usr/bin/dadudu
  usr/bin/dadudu-discid
  usr/bin/dadudu-export
  usr/bin/dadudu-copy
  usr/bin/dadudu-mkcatalogue
  usr/share/applications/${APP_ID}.desktop
  usr/share/metainfo/${APP_ID}.metainfo.xml
  usr/share/dadudu/dadudu.sql
  usr/share/dadudu/dadudu-pg.sql
  usr/share/doc/dadudu/changelog.gz
  usr/share/doc/dadudu/copyright
  usr/share/icons/hicolor/scalable/apps/dadudu.svg
  usr/share/lintian/overrides/dadudu
  usr/share/man/man1/dadudu.1.gz
  usr/share/man/man1/dadudu-discid.1.gz
  usr/share/man/man1/dadudu-export.1.gz
  usr/share/man/man1/dadudu-copy.1.gz
  usr/share/man/man1/dadudu-mkcatalogue.1.gz)
set(sizes 16 22 24 32 48 64 128 256)
foreach(size IN LISTS sizes)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/dadudu.png)
endforeach()
file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${ROOT} ${ROOT}/*)
list(SORT expected)
list(SORT found)
if(NOT found STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${found})
  set(extra ${found})
  list(REMOVE_ITEM extra ${expected})
  message(FATAL_ERROR "Installed files differ.\nMissing: ${missing}\nUnexpected: ${extra}")
endif()
set(failures)

# Each PNG is a picture of the size its folder names (the width and height of the IHDR chunk).
foreach(size IN LISTS sizes)
  set(png ${ROOT}/usr/share/icons/hicolor/${size}x${size}/apps/dadudu.png)
  file(READ ${png} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 magic)
  string(SUBSTRING "${head}" 32 8 w)
  string(SUBSTRING "${head}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
    list(APPEND failures "${png}: ${w}x${h}, not a ${size}x${size} PNG")
  endif()
endforeach()

# Compressed without a name or a time stamp, so the package is the same from one build to the next.
foreach(gz usr/share/man/man1/dadudu.1.gz usr/share/man/man1/dadudu-discid.1.gz usr/share/doc/dadudu/changelog.gz)
  file(READ ${ROOT}/${gz} head LIMIT 8 HEX)
  if(NOT head MATCHES "^1f8b0800" OR NOT head MATCHES "00000000$")
    list(APPEND failures "${gz}: gzip header ${head} carries a name or a time stamp")
  endif()
  execute_process(COMMAND gzip -t ${ROOT}/${gz} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(APPEND failures "${gz}: not a whole gzip file")
  endif()
endforeach()

# The installed programs run and know their version; the newest release in the metadata is this one.
execute_process(COMMAND ${ROOT}/usr/bin/dadudu --version RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "dadudu ${VERSION}\n")
  list(APPEND failures "dadudu --version: ${rc} '${out}' ${err}")
endif()
file(READ ${ROOT}/usr/share/metainfo/${APP_ID}.metainfo.xml metainfo)
# Every program installed answers --version, has its manual page, and the AppStream metadata and the
# package's description name it.
file(READ ${BUILD}/CPackConfig.cmake cpack)
string(REGEX MATCH "set\\(CPACK_DEBIAN_PACKAGE_DESCRIPTION \"[^\"]*\"" description "${cpack}")
file(GLOB programs RELATIVE ${ROOT}/usr/bin ${ROOT}/usr/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${ROOT}/usr/bin/${program} --version RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES " ${VERSION}\n$")
    list(APPEND failures "${program} --version: ${rc} '${out}' ${err}")
  endif()
  if(NOT EXISTS ${ROOT}/usr/share/man/man1/${program}.1.gz)
    list(APPEND failures "${program}: no manual page")
  endif()
  if(NOT metainfo MATCHES "<binary>${program}</binary>")
    list(APPEND failures "metainfo: ${program} is not among the binaries it provides")
  endif()
  if(NOT description MATCHES "[ \n]${program}[ ,.:;\n]")
    list(APPEND failures "package description: ${program} is not named")
  endif()
endforeach()
string(REGEX MATCH "<release version=\"([^\"]*)\"" release "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  list(APPEND failures "metainfo: newest release '${CMAKE_MATCH_1}', the project is ${VERSION}")
endif()
if(NOT metainfo MATCHES "<content_rating type=\"oars-1\.1\"")
  list(APPEND failures "metainfo: no OARS 1.1 content rating")
endif()
# Each screenshot the metadata names is in the sources, at the size the metadata gives.
string(REGEX MATCHALL "<image type=\"source\" width=\"[0-9]+\" height=\"[0-9]+\">[^<]*</image>" images "${metainfo}")
if(NOT images)
  list(APPEND failures "metainfo: no screenshot")
endif()
foreach(image IN LISTS images)
  string(REGEX MATCH "width=\"([0-9]+)\" height=\"([0-9]+)\">https://[^<]*/(data/screenshots/[^<]+\.png)<" m "${image}")
  set(want_w ${CMAKE_MATCH_1})
  set(want_h ${CMAKE_MATCH_2})
  set(shot ${SOURCE}/${CMAKE_MATCH_3})
  if(NOT m OR NOT EXISTS ${shot})
    list(APPEND failures "metainfo: ${image} is not one of data/screenshots")
    continue()
  endif()
  file(READ ${shot} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 32 8 w)
  string(SUBSTRING "${head}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT w EQUAL want_w OR NOT h EQUAL want_h)
    list(APPEND failures "${shot}: ${w}x${h}, the metadata says ${want_w}x${want_h}")
  endif()
endforeach()
file(READ ${SOURCE}/data/debian/changelog changelog)
if(NOT changelog MATCHES "^dadudu \\(${VERSION}(-[0-9]+)?\\) ")
  list(APPEND failures "changelog: its first entry is not version ${VERSION}")
endif()
# The schema installed is the one the program carries.
file(READ ${ROOT}/usr/share/dadudu/dadudu.sql installed)
file(READ ${SOURCE}/schema/dadudu.sql schema)
if(NOT installed STREQUAL schema)
  list(APPEND failures "usr/share/dadudu/dadudu.sql differs from the schema")
endif()

if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${ROOT}: every file in its place")
