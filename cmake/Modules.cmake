# pw_module(<target> [SUBDIRS <folders...>] DEPS <targets...>)
#   A static library of every .cpp in the calling folder and the listed
#   sub-folders (a large module's concerns); includes are rooted at src/.
function(pw_module name)
  cmake_parse_arguments(ARG "" "" "SUBDIRS;DEPS" ${ARGN})
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(sub ${ARG_SUBDIRS})
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.c)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

# pw_test(<target> SOURCES <files...> DEPS <targets...>)
#   A GoogleTest executable whose cases CTest lists one by one, or with
#   PW_TEST_EACH_CASE off, one CTest test that runs all its cases in one
#   process: a sanitized test program takes most of a second to start (its
#   globals registered, its relocations applied), which a thousand cases each
#   in a process of its own pay a thousand times.
option(PW_TEST_EACH_CASE "Run every GoogleTest case as a CTest test in a process of its own" ON)
function(pw_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_dependencies(${name} pw_resources)
  if(PW_TEST_EACH_CASE)
    gtest_discover_tests(${name} WORKING_DIRECTORY ${PW_BIN_DIR} DISCOVERY_TIMEOUT 120)
  else()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${PW_BIN_DIR})
    # A whole program's cases take minutes under the sanitizers on two busy cores.
    set_tests_properties(${name} PROPERTIES TIMEOUT 1800)
  endif()
endfunction()

# Adds every listed sub-folder that has a CMakeLists.txt, so a module that does
# not exist yet does not break the build.
function(pw_add_present_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# pw_generated_resources(<target> OUTPUTS <files in the bundle...> COMMAND <cmd...> DEPENDS <...>)
#   Resources drawn or computed by a program of ours at build time.
function(pw_generated_resources name)
  cmake_parse_arguments(ARG "" "" "OUTPUTS;COMMAND;DEPENDS" ${ARGN})
  set(outs)
  foreach(o ${ARG_OUTPUTS})
    list(APPEND outs ${PW_RESOURCE_DIR}/${o})
  endforeach()
  add_custom_command(OUTPUT ${outs} COMMAND ${ARG_COMMAND} DEPENDS ${ARG_DEPENDS}
                     WORKING_DIRECTORY ${PW_RESOURCE_DIR} VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${outs})
  set_property(GLOBAL APPEND PROPERTY PW_GENERATED_RESOURCE_TARGETS ${name})
endfunction()
