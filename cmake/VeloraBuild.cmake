# Helpers shared by every deliverable's CMakeLists.

# Puts a deliverable (program or DLL) into bin/.
function(velora_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${VELORA_BIN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${VELORA_BIN_DIR})
endfunction()

function(velora_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  endif()
endfunction()

# A program whose entry point is wmain or wWinMain.
function(velora_unicode_entry target)
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# jsoncpp: Debian's package on the host, the cross-built static library
# (scripts/setup) for Windows. Either way the target is velora::jsoncpp.
function(velora_find_jsoncpp)
  if(TARGET velora::jsoncpp)
    return()
  endif()
  find_package(jsoncpp CONFIG REQUIRED)
  add_library(velora_jsoncpp INTERFACE)
  if(TARGET jsoncpp_static)
    target_link_libraries(velora_jsoncpp INTERFACE jsoncpp_static)
  elseif(TARGET JsonCpp::JsonCpp)
    target_link_libraries(velora_jsoncpp INTERFACE JsonCpp::JsonCpp)
  else()
    target_link_libraries(velora_jsoncpp INTERFACE jsoncpp_lib)
  endif()
  add_library(velora::jsoncpp ALIAS velora_jsoncpp)
endfunction()

# pugixml, the same way: velora::pugixml.
function(velora_find_pugixml)
  if(TARGET velora::pugixml)
    return()
  endif()
  find_package(pugixml CONFIG REQUIRED)
  add_library(velora_pugixml INTERFACE)
  if(TARGET pugixml::static)
    target_link_libraries(velora_pugixml INTERFACE pugixml::static)
  else()
    target_link_libraries(velora_pugixml INTERFACE pugixml::pugixml)
  endif()
  add_library(velora::pugixml ALIAS velora_pugixml)
endfunction()

# The suite's version number and velora_version_resource.
include(VeloraVersion)
