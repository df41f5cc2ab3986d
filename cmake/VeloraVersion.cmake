# The one version number of the suite. Every program's version resource and
# the staff tool's report take it from here, through the generated header
# velora_version.h.
set(VELORA_VERSION_MAJOR 1)
set(VELORA_VERSION_MINOR 0)
set(VELORA_VERSION_PATCH 0)
set(VELORA_VERSION_BUILD 1)
set(VELORA_VERSION
    ${VELORA_VERSION_MAJOR}.${VELORA_VERSION_MINOR}.${VELORA_VERSION_PATCH}.${VELORA_VERSION_BUILD})

set(VELORA_VERSION_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/velora_version.h.in
               ${VELORA_VERSION_INCLUDE_DIR}/velora_version.h @ONLY)

# Adds a resource script with a VERSIONINFO block to a Windows target. The
# script defines VELORA_FILE_DESCRIPTION and VELORA_ORIGINAL_FILENAME and then
# includes "velora_versioninfo.rc". windres is the target's own (the i686
# build uses i686-w64-mingw32-windres), so both builds get the resource.
function(velora_version_resource target rc_file)
  if(NOT WIN32)
    return()
  endif()
  target_sources(${target} PRIVATE ${rc_file})
  get_filename_component(rc_path ${rc_file} ABSOLUTE)
  set_property(SOURCE ${rc_path} APPEND PROPERTY INCLUDE_DIRECTORIES
               ${VELORA_VERSION_INCLUDE_DIR} ${PROJECT_SOURCE_DIR}/cmake)
  set_property(SOURCE ${rc_path} APPEND PROPERTY OBJECT_DEPENDS
               ${VELORA_VERSION_INCLUDE_DIR}/velora_version.h
               ${PROJECT_SOURCE_DIR}/cmake/velora_versioninfo.rc)
endfunction()
