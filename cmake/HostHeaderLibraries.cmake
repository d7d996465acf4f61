# For a cross build: CLI11 and nlohmann/json are header-only, so the host's copies serve any
# target. Their own package files would put the host's whole /usr/include on the include path,
# ahead of the target's C library, so only their own folders are linked into the build tree and
# offered under the usual target names.
set(_spawn_host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(_entry "CLI11::CLI11|CLI/CLI.hpp" "nlohmann_json::nlohmann_json|nlohmann/json.hpp")
  string(REPLACE "|" ";" _entry "${_entry}")
  list(GET _entry 0 _target)
  list(GET _entry 1 _header)
  string(MAKE_C_IDENTIFIER "${_target}" _var)
  find_path(SPAWN_HOST_${_var} ${_header} PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH
            NO_DEFAULT_PATH)
  if(NOT SPAWN_HOST_${_var})
    message(FATAL_ERROR "${_header} not found on the host (install libcli11-dev and nlohmann-json3-dev)")
  endif()
  get_filename_component(_folder "${_header}" DIRECTORY)
  file(MAKE_DIRECTORY ${_spawn_host_headers})
  if(NOT EXISTS ${_spawn_host_headers}/${_folder})
    file(CREATE_LINK ${SPAWN_HOST_${_var}}/${_folder} ${_spawn_host_headers}/${_folder} SYMBOLIC)
  endif()
  add_library(${_target} INTERFACE IMPORTED)
  target_include_directories(${_target} SYSTEM INTERFACE ${_spawn_host_headers})
endforeach()
