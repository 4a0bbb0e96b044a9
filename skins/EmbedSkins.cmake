# Script mode (cmake -P): zips skin folders and writes what makes the archives
# and the launcher's icon group resources of the executable: on Linux a C++
# source that registers them with the platform's resource table, for Windows a
# resource script (.rc) for the resource compiler, under the same types and
# names, so that the same lookups find them.
#
#   -DOUTPUT=<generated .cpp or .rc: the suffix chooses>
#   -DZIP_DIR=<folder for the archives>
#   -DARCHIVES=<id>=<folder>=<zip name>|...   one "ZIPRES" resource each
#   -DICON_DIR=<folder of PNG icons>  -DICON_GROUP=<id>
cmake_minimum_required(VERSION 3.25)

# Bytes of a file as a C array body.
function(bytes_of file out)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# Decimal bytes of an unsigned little-endian number.
function(le_bytes value count out)
  set(bytes "")
  foreach(i RANGE 1 ${count})
    math(EXPR byte "${value} % 256")
    math(EXPR value "${value} / 256")
    string(APPEND bytes "${byte},")
  endforeach()
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

set(arrays "")
set(registrations "")
set(script "")
get_filename_component(format "${OUTPUT}" LAST_EXT)
file(MAKE_DIRECTORY "${ZIP_DIR}")

string(REPLACE "|" ";" ARCHIVES "${ARCHIVES}")
foreach(archive IN LISTS ARCHIVES)
  string(REPLACE "=" ";" parts "${archive}")
  list(GET parts 0 id)
  list(GET parts 1 folder)
  list(GET parts 2 zip_name)
  # Every file of the folder, sub-folders included, under its relative name;
  # sorted and with a fixed time so that the archive is reproducible.
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  list(SORT files)
  if(NOT files)
    message(FATAL_ERROR "no skin files in ${folder}")
  endif()
  set(zip "${ZIP_DIR}/${zip_name}")
  file(REMOVE "${zip}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E tar cf "${zip}" --format=zip "--mtime=2020-01-01 00:00:00 UTC" -- ${files}
    WORKING_DIRECTORY "${folder}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "zipping ${folder} failed")
  endif()
  # The archive's hash makes the script change with it: the resource compiler
  # is run again only when its script changes.
  file(SHA256 "${zip}" hash)
  string(APPEND script "// ${zip_name} ${hash}\n${id} ZIPRES \"${zip}\"\n")
  if(format STREQUAL ".rc")
    continue()
  endif()
  bytes_of("${zip}" body)
  string(APPEND arrays "alignas(8) const unsigned char kArchive${id}[] = {${body}};\n")
  string(APPEND registrations
    "    os::RegisterResource(nullptr, ${id}, u\"ZIPRES\", kArchive${id}, sizeof kArchive${id});\n")
endforeach()

if(ICON_DIR)
  file(GLOB icons LIST_DIRECTORIES false "${ICON_DIR}/*.png")
  list(SORT icons)
  list(LENGTH icons count)
  # The group directory as resource compilers write it: reserved 0, type 1,
  # count, then 14 bytes per image naming its RT_ICON resource (1, 2, ...).
  set(group "0,0,1,0,")
  le_bytes(${count} 2 c)
  string(APPEND group "${c}")
  # The same directory in the resource script's 16-bit words (all its fields
  # are word-aligned; the size a 32-bit number).
  set(group_words "0, 1, ${count}")
  set(icon_id 0)
  foreach(icon IN LISTS icons)
    math(EXPR icon_id "${icon_id} + 1")
    # Width and height from the PNG header (big-endian, after the signature).
    file(READ "${icon}" ihdr OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING "${ihdr}" 0 8 w)
    string(SUBSTRING "${ihdr}" 8 8 h)
    math(EXPR w "0x${w}")
    math(EXPR h "0x${h}")
    if(w GREATER_EQUAL 256)
      set(w 0)
    endif()
    if(h GREATER_EQUAL 256)
      set(h 0)
    endif()
    file(SIZE "${icon}" size)
    le_bytes(${size} 4 size_bytes)
    le_bytes(${icon_id} 2 id_bytes)
    string(APPEND group "${w},${h},0,0,1,0,32,0,${size_bytes}${id_bytes}")
    math(EXPR size_word "${w} + ${h} * 256")
    string(APPEND group_words ", ${size_word}, 0, 1, 32, ${size}L, ${icon_id}")
    file(SHA256 "${icon}" hash)
    string(APPEND script "// ${hash}\n${icon_id} 3 \"${icon}\"\n")
    if(NOT format STREQUAL ".rc")
      bytes_of("${icon}" body)
    endif()
    string(APPEND arrays "alignas(8) const unsigned char kIcon${icon_id}[] = {${body}};\n")
    string(APPEND registrations
      "    os::RegisterResource(nullptr, ${icon_id}, os::RT_ICON, kIcon${icon_id}, sizeof kIcon${icon_id});\n")
  endforeach()
  string(APPEND script "${ICON_GROUP} 14 { ${group_words} }\n")
  string(APPEND arrays "alignas(8) const unsigned char kIconGroup[] = {${group}};\n")
  string(APPEND registrations
    "    os::RegisterResource(nullptr, ${ICON_GROUP}, os::RT_GROUP_ICON, kIconGroup, sizeof kIconGroup);\n")
endif()

if(format STREQUAL ".rc")
  # Types by number where the system has them: 3 is RT_ICON, 14 RT_GROUP_ICON.
  set(source "// Generated from the skins folder at build time; edits are lost.\n${script}")
else()
  set(source "// Generated from the skins folder at build time; edits are lost.
#include \"platform/window/Resource.h\"

namespace {

${arrays}
// Registered while static objects are made, before the program's entry runs.
const bool kRegistered = [] {
${registrations}    return true;
}();

}  // namespace
")
endif()
# Rewrite only on change, so that an unchanged skin does not recompile.
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL source)
  file(WRITE "${OUTPUT}" "${source}")
endif()
