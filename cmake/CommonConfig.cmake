# One interface target that every Tessivo target links: language level and warnings.
add_library(tessivo_common_cfg INTERFACE)
target_compile_features(tessivo_common_cfg INTERFACE cxx_std_20)
target_compile_options(tessivo_common_cfg INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor)
target_compile_definitions(tessivo_common_cfg INTERFACE
  TESSIVO_VERSION="${PROJECT_VERSION}")

# tessivo_add_library(NAME DIR DEPS...): a static library of every .cpp in src/DIR.
function(tessivo_add_library name dir)
  file(GLOB _sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp")
  if(_sources)
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC tessivo_common_cfg ${ARGN})
  else()
    # A layer with no sources yet still takes its place in the chain.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE tessivo_common_cfg ${ARGN})
  endif()
endfunction()
