# Install layout: programs in bin, libraries in lib, public headers in include, CMake package files in
# lib/cmake/<package>. Installed binaries find the libraries beside them through their RPATH.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(CMAKE_INSTALL_RPATH "$ORIGIN")
set(project_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake)

# The libraries the shipped libraries call are installed once, in one export set of their own, so that each
# package can refer to them.
set(project_runtime_export VeltraneRuntimeTargets)

# Gives a target's include folder a build and an install form, and installs the headers it holds (test hooks
# live apart, under testing/include). Call it instead of target_include_directories(<target> PUBLIC include).
function(project_public_headers target)
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope}
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()

# Installs a library that a shipped library needs, at build or at run time.
function(project_install_runtime_library target)
  install(TARGETS ${target} EXPORT ${project_runtime_export}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()

# Installs a shipped library with a package file, so that a project outside finds it with
# find_package(<target>) and links <target>::<target>. ARGN names the packages its interface needs.
function(project_install_package target)
  install(TARGETS ${target} EXPORT ${target}Targets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT ${target}Targets NAMESPACE ${target}:: DESTINATION ${project_package_dir}/${target})
  set(package_name ${target})
  set(package_dependencies ${ARGN})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
    INSTALL_DESTINATION ${project_package_dir}/${target})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake DESTINATION ${project_package_dir}/${target})
endfunction()

# Run after every target exists: the export set of the libraries the packages share.
function(project_install_runtime_export)
  install(EXPORT ${project_runtime_export} NAMESPACE VeltraneRuntime::
    DESTINATION ${project_package_dir}/VeltraneRuntime)
endfunction()
