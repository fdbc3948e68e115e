# Run by CPack on the staged files before it packs them, doing what Debian's dh_strip does. Each
# program with debug information gives it to a file named by its build ID, which goes into a
# <package>-dbgsym package written beside the package; the program itself is stripped of its
# symbols and of the compilers' version notes (.comment, .note). A build without debug
# information (Release) is only stripped and gives no debug package.
#
# CPack's own debug package is not used: its md5sums name the files by their build-time paths, so
# it is neither correct nor the same bytes from another build folder.

find_program(OBJCOPY objcopy REQUIRED)
find_program(STRIP strip REQUIRED)
find_program(READELF readelf REQUIRED)
find_program(DPKG dpkg REQUIRED)
find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(FIND find REQUIRED)
find_program(TOUCH touch REQUIRED)

set(package ${CPACK_PACKAGE_NAME})
set(dbgsym ${package}-dbgsym)
set(version ${CPACK_PACKAGE_VERSION})
if(CPACK_DEBIAN_PACKAGE_VERSION)
  set(version ${CPACK_DEBIAN_PACKAGE_VERSION})
endif()
set(root ${CPACK_TOPLEVEL_DIRECTORY}/${dbgsym}-root)
file(REMOVE_RECURSE ${root})

set(build_ids "")
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND ${READELF} --wide --sections --notes "${file}" OUTPUT_VARIABLE elf
    COMMAND_ERROR_IS_FATAL ANY)
  set(debug_file "")
  if(elf MATCHES " \\.debug_info " AND elf MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    list(APPEND build_ids ${CMAKE_MATCH_1}${CMAKE_MATCH_2})
    set(debug_file ${root}/usr/lib/debug/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug)
    get_filename_component(debug_folder ${debug_file} DIRECTORY)
    file(MAKE_DIRECTORY ${debug_folder})
    execute_process(COMMAND ${OBJCOPY} --only-keep-debug --compress-debug-sections "${file}" "${debug_file}"
      COMMAND_ERROR_IS_FATAL ANY)
    file(CHMOD ${debug_file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  execute_process(COMMAND ${STRIP} --remove-section=.comment --remove-section=.note "${file}"
    COMMAND_ERROR_IS_FATAL ANY)
  if(debug_file)
    execute_process(COMMAND ${OBJCOPY} --add-gnu-debuglink=${debug_file} "${file}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
if(NOT build_ids)
  return()
endif()

# The documentation is the package's, as in Debian's own debug packages.
file(MAKE_DIRECTORY ${root}/usr/share/doc ${root}/DEBIAN)
file(CREATE_LINK ${package} ${root}/usr/share/doc/${dbgsym} SYMBOLIC)

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/usr/*)
list(SORT files)
set(md5sums "")
set(kilobytes 0)
foreach(file IN LISTS files)
  if(IS_SYMLINK ${root}/${file})
    continue()
  endif()
  file(MD5 ${root}/${file} sum)
  string(APPEND md5sums "${sum}  ${file}\n")
  file(SIZE ${root}/${file} size)
  math(EXPR kilobytes "${kilobytes} + (${size} + 1023) / 1024")
endforeach()
file(WRITE ${root}/DEBIAN/md5sums "${md5sums}")

execute_process(COMMAND ${DPKG} --print-architecture OUTPUT_VARIABLE architecture
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
list(JOIN build_ids " " build_ids)
file(WRITE ${root}/DEBIAN/control "Package: ${dbgsym}
Source: ${package}
Version: ${version}
Auto-Built-Package: debug-symbols
Architecture: ${architecture}
Maintainer: ${CPACK_DEBIAN_PACKAGE_MAINTAINER}
Installed-Size: ${kilobytes}
Depends: ${package} (= ${version})
Section: debug
Priority: optional
Description: debug symbols for ${package}
Build-Ids: ${build_ids}
")
file(CHMOD ${root}/DEBIAN/control ${root}/DEBIAN/md5sums
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The same bytes from the same programs: every time stamp is the one the package itself gets.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND ${FIND} ${root} -exec ${TOUCH} -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
    COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${DPKG_DEB} --root-owner-group --build ${root}
  ${CPACK_PACKAGE_DIRECTORY}/${dbgsym}_${version}_${architecture}.deb
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Debug package: ${CPACK_PACKAGE_DIRECTORY}/${dbgsym}_${version}_${architecture}.deb")
