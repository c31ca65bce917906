# Installation (Linux): the libraries with their sonames, the public headers
# under include/vexo/, the vexocom tool and the demo, an exported CMake
# package (find_package(Vexo)), pkg-config files and a Debian package made by
# CPack. Included by the top-level CMakeLists.txt once every target exists.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The public headers, as a program includes them: "vexo/draw/DX7Draw.h".
# They include each other as "common/Types.h", so include/vexo is on the
# include path too. Everything else in the source tree is internal.
# input/SlotTable.h is here only because DXInput.h holds its tables by value;
# the two platform headers are the software platform's own functions for
# applications (desktop, windows, close requests, screenshots) and the
# virtual keyboard and joysticks that scripted and headless runs press.
set(VEXO_PUBLIC_HEADERS
  common/ByRef.h common/DDraw.h common/DInput.h common/DMusic.h common/DSound.h common/Error.h
  common/Platform.h common/PopSystemMacros.h common/PushSystemMacros.h common/Ref.h common/Types.h
  common/VBArray.h
  draw/DX7Draw.h
  input/DXInput.h input/SlotTable.h
  sound/DX7Sound.h
  music/DXMusic.h
  platform/display/Display.h platform/input/Input.h platform/input/VirtualInput.h)
foreach(header ${VEXO_PUBLIC_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vexo/${dir}
          COMPONENT Development)
endforeach()

# Library target and the name it is exported under (Vexo::<name>).
set(VEXO_EXPORTED
  VexoCommon Common
  VexoCom Com
  VexoPlatform Platform
  VexoDX7Draw Draw
  VexoDX7Input Input
  VexoDX7Sound Sound
  VexoDX7Music Music)

file(RELATIVE_PATH vexo_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH vexo_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" vexo_pc_to_prefix "${vexo_pc_to_prefix}")

# Include directories that name the source or build tree hold only there; an
# installed target gets include/vexo and include instead.
function(vexo_installed_includes target)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  set(result)
  if(dirs)
    foreach(d ${dirs})
      set(in_tree OFF)
      if(NOT d MATCHES "^\\$<")
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${d}" NORMALIZE in_source)
        cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${d}" NORMALIZE in_build)
        if(in_source OR in_build)
          set(in_tree ON)
        endif()
      endif()
      if(in_tree)
        list(APPEND result "$<BUILD_INTERFACE:${d}>")
      else()
        list(APPEND result "${d}")
      endif()
    endforeach()
  endif()
  list(APPEND result "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/vexo>"
                     "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${result}")
endfunction()

set(vexo_targets)
set(vexo_index 0)
list(LENGTH VEXO_EXPORTED vexo_count)
while(vexo_index LESS vexo_count)
  math(EXPR n "${vexo_index} + 1")
  list(GET VEXO_EXPORTED ${vexo_index} target)
  list(GET VEXO_EXPORTED ${n} name)
  math(EXPR vexo_index "${vexo_index} + 2")
  list(APPEND vexo_targets ${target})
  # Libraries find each other beside themselves wherever the tree lands.
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
                        EXPORT_NAME ${name} INSTALL_RPATH "$ORIGIN")
  vexo_installed_includes(${target})
endwhile()

# Programs find the libraries through a path relative to themselves, so the
# installed tree may move.
set(vexo_programs vexocom)
if(TARGET vexo-demo)
  list(APPEND vexo_programs vexo-demo)
endif()
set_target_properties(${vexo_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${vexo_bin_to_lib}")

install(TARGETS ${vexo_targets} EXPORT VexoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development)
install(TARGETS ${vexo_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)

set(VEXO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vexo)
install(EXPORT VexoTargets NAMESPACE Vexo:: DESTINATION ${VEXO_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VexoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VexoConfig.cmake INSTALL_DESTINATION ${VEXO_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VexoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VexoConfig.cmake ${PROJECT_BINARY_DIR}/VexoConfigVersion.cmake
  DESTINATION ${VEXO_CMAKE_DIR} COMPONENT Development)

# pkg-config: one module per library; each names the modules it stands on.
# The prefix is found from the file's own place, so the tree may move.
function(vexo_pkg_config module description lib requires)
  set(VEXO_PC_MODULE ${module})
  set(VEXO_PC_DESCRIPTION "${description}")
  set(VEXO_PC_LIB ${lib})
  set(VEXO_PC_REQUIRES "${requires}")
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/vexo.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${module}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${module}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT Development)
endfunction()
vexo_pkg_config(vexo-common "Vexo conventions and platform declarations" VexoCommon "")
vexo_pkg_config(vexo-com "Vexo automation layer" VexoCom "vexo-common = ${PROJECT_VERSION}")
vexo_pkg_config(vexo-platform "Vexo software platform (SDL2, FluidSynth, libsndfile)" VexoPlatform
                "vexo-common = ${PROJECT_VERSION}")
foreach(m "draw;VexoDX7Draw;2D graphics" "input;VexoDX7Input;keyboard and joystick input"
          "sound;VexoDX7Sound;sound effects" "music;VexoDX7Music;MIDI music")
  list(GET m 0 short)
  list(GET m 1 lib)
  list(GET m 2 what)
  vexo_pkg_config(vexo-${short} "Vexo ${what}" ${lib} "vexo-com = ${PROJECT_VERSION}")
endforeach()

# The Debian package: everything in one, its library dependencies read from
# the libraries themselves, and the data the platform looks for at run time
# (a General MIDI sound font, the fonts fontconfig picks for text).
set(CPACK_PACKAGE_NAME vexo)
set(CPACK_PACKAGE_VENDOR "Vexo")
set(CPACK_PACKAGE_CONTACT "Vexo developers <vexo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2D game library: graphics, input, sound and MIDI music")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# Stripped, as Debian ships libraries and programs; the build tree keeps the
# debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm, fonts-dejavu-core, fonts-vlgothic")
include(CPack)
