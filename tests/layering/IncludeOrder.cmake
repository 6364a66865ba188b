# Fails when a source file includes a header of a layer above its own (the
# order is written down in docs/conventions.md, "Layers"):
#   toolkit/   -> toolkit/
#   platform/  -> platform/, toolkit/
#   controls/, pictureshow/, grids/, media/ -> their own folder, platform/, toolkit/
#   console/   -> every folder above
# usage: cmake -DTABLO_SOURCE=<tree> -P IncludeOrder.cmake
if(NOT TABLO_SOURCE)
  message(FATAL_ERROR "TABLO_SOURCE not set")
endif()
set(layers toolkit platform controls pictureshow grids media console)
set(allowed_toolkit toolkit)
set(allowed_platform toolkit platform)
foreach(own controls pictureshow grids media)
  set(allowed_${own} toolkit platform ${own})
endforeach()
set(allowed_console ${layers})

set(faults "")
foreach(layer ${layers})
  file(GLOB_RECURSE files ${TABLO_SOURCE}/${layer}/*.h ${TABLO_SOURCE}/${layer}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/.*" "\\1" target "${line}")
      list(FIND layers ${target} known)
      list(FIND allowed_${layer} ${target} ok)
      if(known GREATER -1 AND ok EQUAL -1)
        file(RELATIVE_PATH rel ${TABLO_SOURCE} ${f})
        string(STRIP "${line}" line)
        string(REPLACE ";" "/, " may "${allowed_${layer}}")
        string(APPEND faults "\n  ${rel}: ${line} (${layer}/ may include ${may}/)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes against the layer order:${faults}")
endif()
