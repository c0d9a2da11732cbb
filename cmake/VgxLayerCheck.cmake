# Checks that every file of a layer includes library headers of its own layer or
# of the layers below it only. The build refuses such an include in a source file;
# this also finds one in a header no lower source includes yet.
# Run with -DSOURCE_DIR=<src> "-DLAYERS=base;platform;..." -P VgxLayerCheck.cmake.
set(failures 0)
list(LENGTH LAYERS layer_count)
foreach(layer IN LISTS LAYERS)
  list(FIND LAYERS ${layer} rank)
  file(GLOB files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" used "${line}")
      list(FIND LAYERS ${used} used_rank)
      if(used_rank GREATER rank)
        message(SEND_ERROR "${file}: ${line}: the ${used} layer lies above ${layer}")
        math(EXPR failures "${failures} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures EQUAL 0)
  message(STATUS "${layer_count} layers, every include downward")
endif()
