# Helpers that keep every folder's CMakeLists.txt to a few lines.
#
# kivra_library(NAME [DIRS dir...] [EXCLUDE file...] [DEPS target...] [PRIVATE_DEPS target...])
#   One static library from the *.cpp files of the listed folders (default: the current one).
#   DEPS are what its headers expose; PRIVATE_DEPS (third-party libraries its headers never
#   include) stay out of its users' include paths.
#   A folder with no sources yet gives an interface target so dependants still link.
function(kivra_library name)
  cmake_parse_arguments(K "" "" "DIRS;EXCLUDE;DEPS;PRIVATE_DEPS" ${ARGN})
  if(NOT K_DIRS)
    set(K_DIRS .)
  endif()
  set(srcs)
  foreach(d ${K_DIRS})
    get_filename_component(dir ${CMAKE_CURRENT_SOURCE_DIR}/${d} ABSOLUTE)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND srcs ${found})
  endforeach()
  foreach(x ${K_EXCLUDE})
    get_filename_component(ax ${CMAKE_CURRENT_SOURCE_DIR}/${x} ABSOLUTE)
    list(REMOVE_ITEM srcs ${ax})
  endforeach()
  # Programs and fuzz entry points are never part of a library.
  list(FILTER srcs EXCLUDE REGEX "/(main|[^/]*_main|[^/]*_fuzz)\\.cpp$")
  set(has_cpp FALSE)
  foreach(s ${srcs})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${K_DEPS})
    target_link_libraries(${name} PRIVATE ${K_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${K_DEPS})
  endif()
endfunction()

# kivra_tests(NAME DIR [GUI] DEPS target...)
#   One GoogleTest binary from tests/DIR/*.cpp. GUI tests get a main that owns a QApplication.
function(kivra_tests name dir)
  cmake_parse_arguments(K "GUI" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  if(K_GUI)
    target_link_libraries(${name} PRIVATE kivra_testsupport_gui)
  else()
    target_link_libraries(${name} PRIVATE kivra_testsupport)
  endif()
  target_link_libraries(${name} PRIVATE ${K_DEPS})
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
