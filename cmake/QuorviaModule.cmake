# One static library per module; sources are picked up from the module folder
# so that adding a file needs no edit here.
function(quorvia_module name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# One test executable per test folder, labelled for CTest. Tests run with the
# build's bin folder as working directory so fixtures land in the build tree.
function(quorvia_test_folder name dir label)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE quorvia_testsupport GTest::gtest GTest::gtest_main ${ARGN})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS "${label}"
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;QUORVIA_FIXTURES=${CMAKE_BINARY_DIR}/fixtures"
               TIMEOUT 600
    DISCOVERY_TIMEOUT 60)
endfunction()
