# The sources of ZELB1, in one place: the shipped driver (driver/) and its
# Wine test build (tests/wine/common/) compile the same files.
set(ZEL_DRIVER_LOGIC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/logic/config_descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/device_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/device_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/extension_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/io_gate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/pipe_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/pipe_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/power_policy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logic/transfer_state.cpp
)

set(ZEL_DRIVER_KERNEL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kernel/create_close.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/device_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/driver_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/pnp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/power.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/read_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/system_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernel/usb_request.cpp
)
