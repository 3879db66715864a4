# signal_tests/libspectrum.cmake: the playback tests, in which libspectrum (the
# tape library of Fuse and its utilities) reads and plays what the converter
# writes. Included from the top CMakeLists.txt inside the test block, after
# morvane_test_support and GoogleTest. Without libspectrum the rest of the
# suite still builds, and ctest shows these tests as one skipped test.
option(MORVANE_REQUIRE_LIBSPECTRUM "Fail to configure without libspectrum" OFF)
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(LIBSPECTRUM QUIET IMPORTED_TARGET libspectrum)
endif()

# The results of pkg_check_modules stay in the cache, so the target is what
# tells whether this configuration found it.
if(PKG_CONFIG_FOUND AND TARGET PkgConfig::LIBSPECTRUM)
  add_executable(morvane_libspectrum_tests
    ${CMAKE_CURRENT_LIST_DIR}/libspectrum_playback_test.cpp)
  target_link_libraries(morvane_libspectrum_tests PRIVATE morvane_test_support
                        PkgConfig::LIBSPECTRUM GTest::gtest GTest::gtest_main)
  gtest_discover_tests(morvane_libspectrum_tests DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
elseif(MORVANE_REQUIRE_LIBSPECTRUM)
  message(FATAL_ERROR "libspectrum not found (Debian: libspectrum-dev), and "
                      "MORVANE_REQUIRE_LIBSPECTRUM asks for its playback tests")
else()
  set(morvane_libspectrum_skip_reason
      "libspectrum not found (Debian: libspectrum-dev): the libspectrum playback tests are skipped")
  message(STATUS "${morvane_libspectrum_skip_reason}")
  # 77 is the exit status ctest is told to report as a skip.
  add_test(NAME LibspectrumPlayback.Skipped
           COMMAND sh -c "echo '${morvane_libspectrum_skip_reason}'; exit 77")
  set_tests_properties(LibspectrumPlayback.Skipped PROPERTIES SKIP_RETURN_CODE 77)
endif()
