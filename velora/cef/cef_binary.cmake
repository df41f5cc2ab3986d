# The frame against a CEF binary distribution for Windows (VELORA_CEF_ROOT):
# its include/ folder, libcef and the wrapper library built from its
# libcef_dll/ sources, and the runtime files copied beside the programs.
# The project's own back-end is not built in this mode.
if(NOT EXISTS "${VELORA_CEF_ROOT}/include/cef_app.h" OR NOT EXISTS "${VELORA_CEF_ROOT}/cmake/FindCEF.cmake")
  message(FATAL_ERROR "VELORA_CEF_ROOT=${VELORA_CEF_ROOT} is no CEF binary distribution (no include/cef_app.h or cmake/FindCEF.cmake)")
endif()
set(CEF_ROOT "${VELORA_CEF_ROOT}")
list(APPEND CMAKE_MODULE_PATH "${CEF_ROOT}/cmake")
find_package(CEF REQUIRED)
add_subdirectory(${CEF_LIBCEF_DLL_WRAPPER_PATH} libcef_dll_wrapper)

add_library(velora_cef_api INTERFACE)
target_include_directories(velora_cef_api INTERFACE ${CEF_ROOT})
target_link_libraries(velora_cef INTERFACE velora_cef_api libcef_dll_wrapper
                      ${CEF_BINARY_DIR_RELEASE}/libcef.lib)

# libcef.dll and its resources go beside Velora.exe.
set(runtime ${CEF_BINARY_FILES})
list(TRANSFORM runtime PREPEND ${CEF_BINARY_DIR_RELEASE}/)
add_custom_target(velora_cef_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELORA_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${runtime} ${VELORA_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CEF_RESOURCE_DIR} ${VELORA_BIN_DIR}
  COMMENT "Copying the CEF runtime beside the programs")
