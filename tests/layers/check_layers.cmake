# Fails when a folder includes one above it: util, workbook, calllist, store, dialler, nuisance,
# device, recording, localapi, cloud, carddav and webhooks may not include "app/..." or "ui/...",
# app may not include "ui/...", and the folders below the dialler and nuisance may include neither.
#   cmake -DSOURCE_DIR=<the src folder> -P check_layers.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(below_app util workbook calllist store dialler contactfile carddav nuisance device recording localapi cloud webhooks)
set(violations "")
foreach(folder ${below_app} app)
  if(folder STREQUAL "app")
    set(forbidden "ui")
  elseif(folder MATCHES "^(util|workbook|calllist|store)$")
    # The folders below the nuisance rules.
    set(forbidden "app|ui|nuisance|dialler")
  else()
    set(forbidden "app|ui")
  endif()
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h.in)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden})/")
    foreach(line ${lines})
      file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
      string(STRIP "${line}" line)
      list(APPEND violations "${shown}: ${line}")
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes pointing up a layer:\n  ${text}")
endif()
message(STATUS "no include points up a layer in ${SOURCE_DIR}")
