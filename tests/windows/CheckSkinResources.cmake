# Compiles the skins' resource script as the program's build does and reads
# the resources back from the object: the two skin archives as "ZIPRES" 113
# and 114, starting as zip files do, and the icon group 115 whose directory
# names every PNG of the icon folder with its size, its byte count and the
# RT_ICON resource that holds it. Run as
#   cmake -DRC_COMPILER=... -DSCRIPT=SkinResources.rc -DICON_DIR=skins/icon -DWORK_DIR=... -P CheckSkinResources.cmake
cmake_minimum_required(VERSION 3.25)
set(object ${WORK_DIR}/skin-resources-check.o)
execute_process(COMMAND ${RC_COMPILER} ${SCRIPT} -O coff -o ${object} RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "the resource compiler refused ${SCRIPT}: ${errors}")
endif()
execute_process(COMMAND ${RC_COMPILER} -J coff -i ${object} -O rc OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the resource compiler could not read back ${object}")
endif()

function(expect pattern what)
  if(NOT listing MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: no match for '${pattern}' in\n${listing}")
  endif()
endfunction()

# A zip file starts with the local header's signature, "PK\3\4".
foreach(id 113 114)
  expect("${id} \"ZIPRES\"\nBEGIN\n  0x4034b50L" "the skin archive ${id}")
endforeach()

file(GLOB icons ${ICON_DIR}/*.png)
list(SORT icons)
list(LENGTH icons count)
expect("115 14 /\\* RT_GROUP_ICON \\*/\nBEGIN\n *0, 1, ${count}," "the icon group's directory")
# An entry as the resource compiler prints it: width and height as octal
# escapes (256 stored as 0), planes, bits, the byte count in hexadecimal and
# the RT_ICON id.
function(octal value out)
  if(value GREATER_EQUAL 256)
    set(value 0)
  endif()
  math(EXPR high "${value} / 64")
  math(EXPR middle "(${value} / 8) % 8")
  math(EXPR low "${value} % 8")
  set(${out} "\\\\${high}${middle}${low}" PARENT_SCOPE)
endfunction()
set(id 0)
foreach(icon IN LISTS icons)
  math(EXPR id "${id} + 1")
  file(READ ${icon} header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${header}" 0 8 width)
  string(SUBSTRING "${header}" 8 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  octal(${width} w)
  octal(${height} h)
  file(SIZE ${icon} size)
  math(EXPR size "${size}" OUTPUT_FORMAT HEXADECIMAL)
  expect("\"${w}${h}\\\\000\\\\000\", 1, 32, ${size}L, ${id}" "the group's entry for ${icon}")
  expect("\n${id} 3 /\\* RT_ICON \\*/\nBEGIN\n  0x474e5089L" "the PNG image ${id} (${icon})")
endforeach()
message(STATUS "${SCRIPT}: skins 113 and 114, icon group 115 of ${count} images")
