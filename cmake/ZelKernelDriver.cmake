# Kernel-mode images (driver builds, ZEL_DRIVER_ONLY): freestanding C++
# against mingw-w64's DDK headers, linking ntoskrnl, hal and usbd only.
# Used for ZELB1.sys (driver/) and for the test-only drivers of the Wine
# scenarios (tests/wine/common/).
if(NOT WIN32)
  message(FATAL_ERROR "kernel-mode images build only with a mingw-w64 toolchain (driver-* presets)")
endif()

# No C runtime, no Windows user-mode libraries.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(zel_driver_entry DriverEntry)
else()
  set(zel_driver_entry _DriverEntry@8)
endif()

# zel_kernel_driver(TARGET SOURCES...): a freestanding kernel-mode image
# linking only the three kernel libraries.
function(zel_kernel_driver target)
  add_executable(${target} ${ARGN})
  set_target_properties(${target} PROPERTIES SUFFIX ".sys")
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_include_directories(${target} SYSTEM PRIVATE ${CMAKE_FIND_ROOT_PATH}/include/ddk)
  target_compile_options(${target} PRIVATE
    -ffreestanding -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-stack-protector
    -Wall -Wextra -Wno-unused-parameter)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    # x86 has no table-based unwinding in the kernel: no .eh_frame.
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
  target_link_options(${target} PRIVATE
    -nostdlib -shared
    -Wl,--subsystem,native
    -Wl,--entry,${zel_driver_entry}
    -Wl,--image-base,0x10000
    -Wl,--dynamicbase -Wl,--exclude-all-symbols
    -Wl,--file-alignment,0x200 -Wl,--section-alignment,0x1000)
  # libgcc only for compiler helpers (static); every import comes from the
  # three kernel libraries.
  target_link_libraries(${target} PRIVATE ntoskrnl hal usbd gcc)
endfunction()
