# Build helpers shared by every folder.

set(GV_WARNINGS -Wall -Wextra)

if(GV_SANITIZE)
  # GCC's undefined group leaves out float-to-integer conversions beyond range;
  # they are asked for by name.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all)
endif()

if(GV_BUILD_FUZZ)
  # Instrument every library for coverage; the fuzz targets add the driver.
  # Optimised as fuzzing is done everywhere: unoptimised physics under the
  # sanitizers plays too few inputs a second to explore the readers.
  # The physics step is left without coverage feedback (fuzz/coverage_ignore.txt).
  # The list is copied under a name holding its hash, so that a changed list
  # changes the flags (and no compiler cache hands back an object built with
  # the old one).
  set(GV_COVERAGE_IGNORE ${PROJECT_SOURCE_DIR}/fuzz/coverage_ignore.txt)
  file(MD5 ${GV_COVERAGE_IGNORE} GV_COVERAGE_IGNORE_MD5)
  set(GV_COVERAGE_IGNORE_COPY ${CMAKE_BINARY_DIR}/coverage_ignore_${GV_COVERAGE_IGNORE_MD5}.txt)
  configure_file(${GV_COVERAGE_IGNORE} ${GV_COVERAGE_IGNORE_COPY} COPYONLY)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -O1
                      -fsanitize-coverage-ignorelist=${GV_COVERAGE_IGNORE_COPY})
  add_link_options(-fsanitize=address,undefined)
endif()

# True when DEPS may name <dep>: a folder with code.
function(gv_dep_exists dep out)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${dep}/CMakeLists.txt)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# gv_library(<folder> [DEPS lib...] [SYSTEM lib...] [PRIVATE_SYSTEM lib...] [EXCLUDE file...])
# One static library named gv_<folder> from every .cpp in the folder (sub-folders
# excluded). The project root is on the include path, so code includes
# "jel/vector_math.h", "records/item_stream.h" and so on. A dependency on a folder
# that has no code yet is skipped. DEPS name only folders below this one in the
# layer order, except among scene, logic and vehicle, which call each other's
# services both ways; CMake repeats such static libraries on the link line, so
# that cycle links.
function(gv_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM;PRIVATE_SYSTEM;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(name IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  endforeach()
  set(target gv_${folder})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${GV_WARNINGS})
  foreach(dep IN LISTS ARG_DEPS)
    gv_dep_exists(${dep} found)
    if(found)
      target_link_libraries(${target} PUBLIC gv_${dep})
    endif()
  endforeach()
  if(ARG_SYSTEM)
    target_link_libraries(${target} PUBLIC ${ARG_SYSTEM})
  endif()
  if(ARG_PRIVATE_SYSTEM)
    target_link_libraries(${target} PRIVATE ${ARG_PRIVATE_SYSTEM})
  endif()
endfunction()

# gv_test_folder(<folder> [DEPS lib...] [SYSTEM lib...] [LABELS label...] [DISPLAY])
# One GoogleTest executable named <folder>_tests from every *_test.cpp in the
# folder plus any helper .cpp there; each test case is registered with ctest.
# DISPLAY: the folder's tests may show windows on the X display, so they take
# the display lock and never run beside another folder's display tests (two
# windows covering each other would spoil read-backs and injected clicks).
function(gv_test_folder folder)
  cmake_parse_arguments(ARG "DISPLAY" "" "DEPS;SYSTEM;LABELS" ${ARGN})
  set(lock "")
  if(ARG_DISPLAY)
    set(lock RESOURCE_LOCK x-display)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(target ${folder}_tests)
  add_executable(${target} ${sources})
  target_compile_options(${target} PRIVATE ${GV_WARNINGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  foreach(dep IN LISTS ARG_DEPS)
    gv_dep_exists(${dep} found)
    if(found)
      target_link_libraries(${target} PRIVATE gv_${dep})
    endif()
  endforeach()
  target_link_libraries(${target} PRIVATE ${ARG_SYSTEM} GTest::gtest GTest::gtest_main GTest::gmock)
  # The cases are listed when ctest runs, from the executable as it is then:
  # a list written after a build never goes stale, and a first build that
  # made the executable never shows it as not built.
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${folder};${ARG_LABELS}" ${lock}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60)
endfunction()

# gv_fuzz_target(<name> <source> [DEPS lib...])
# The name ends in _fuzz; its seed corpus is fuzz/<folder>/corpus/<name>/ and
# scripts/test gives every target a short run over it.
function(gv_fuzz_target name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(${name} PRIVATE gv_${dep})
  endforeach()
  add_dependencies(gv_fuzzers ${name})
endfunction()

# gv_benchmark(<name> <source> [DEPS lib...])
function(gv_benchmark name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(${name} PRIVATE gv_${dep})
  endforeach()
  target_link_libraries(${name} PRIVATE benchmark::benchmark benchmark::benchmark_main)
endfunction()

# gv_ogre_root(<folder>)
# Makes <folder> an application root for the 3-D engine: "plugins.cfg" naming the
# engine's plug-in folder on this system, "ogre.cfg", and the "media" folders.
function(gv_ogre_root folder)
  if(NOT GV_OGRE_PLUGIN_DIR)
    find_package(PkgConfig REQUIRED)
    pkg_get_variable(dir OGRE plugindir)
    if(NOT dir OR NOT EXISTS "${dir}")
      message(FATAL_ERROR "The OGRE plug-in folder was not found (pkg-config OGRE plugindir)")
    endif()
    set(GV_OGRE_PLUGIN_DIR "${dir}" CACHE PATH "Folder of the OGRE plug-ins")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/plugins.cfg.in ${folder}/plugins.cfg @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ogre.cfg ${folder}/ogre.cfg COPYONLY)
  if(NOT "${folder}" STREQUAL "${PROJECT_SOURCE_DIR}" AND NOT EXISTS ${folder}/media)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/media ${folder}/media SYMBOLIC)
  endif()
endfunction()
