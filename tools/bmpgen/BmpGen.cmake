# zel_generate_bitmaps(TARGET DESCRIPTION OUTPUT_DIR): draws the bitmaps and
# icons of a description with bmpgen at build time. bmpgen runs on the build
# machine, so it is compiled with the host compiler also in cross builds.
# Sets ZEL_BITMAP_OUTPUTS_<TARGET> to the generated files; OUTPUT_DIR/bitmaps.rc
# names every picture for a resource script (#include "bitmaps.rc").
set(ZEL_BMPGEN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/bmpgen.cpp)
set(ZEL_BMPGEN ${CMAKE_BINARY_DIR}/_host/bmpgen)

if(NOT EXISTS ${ZEL_BMPGEN} OR ${ZEL_BMPGEN_SOURCE} IS_NEWER_THAN ${ZEL_BMPGEN})
  find_program(ZEL_HOST_CXX NAMES c++ g++ REQUIRED)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/_host)
  execute_process(
    COMMAND ${ZEL_HOST_CXX} -std=c++17 -O1 -o ${ZEL_BMPGEN} ${ZEL_BMPGEN_SOURCE}
    RESULT_VARIABLE bmpgen_result)
  if(NOT bmpgen_result EQUAL 0)
    message(FATAL_ERROR "bmpgen could not be built with ${ZEL_HOST_CXX}")
  endif()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZEL_BMPGEN_SOURCE})

function(zel_generate_bitmaps target description output_dir)
  # The picture names of the description are the outputs.
  file(STRINGS ${description} lines REGEX "^(bitmap|icon) ")
  set(outputs ${output_dir}/bitmaps.rc)
  foreach(line ${lines})
    string(REGEX REPLACE "^(bitmap|icon) +[0-9]+ +([A-Za-z0-9_]+).*" "\\1;\\2" parts "${line}")
    list(GET parts 0 kind)
    list(GET parts 1 name)
    if(kind STREQUAL "icon")
      list(APPEND outputs ${output_dir}/${name}.ico)
    else()
      list(APPEND outputs ${output_dir}/${name}.bmp)
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${description})
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${ZEL_BMPGEN} ${description} ${output_dir}
    DEPENDS ${description} ${ZEL_BMPGEN}
    COMMENT "Drawing bitmaps of ${description}")
  add_custom_target(${target} DEPENDS ${outputs})
  set(ZEL_BITMAP_OUTPUTS_${target} ${outputs} PARENT_SCOPE)
endfunction()
