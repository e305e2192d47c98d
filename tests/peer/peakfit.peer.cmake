# The refined peak of the frequency offset adjustment against numpy.polyfit on noisy sampled
# parabolas (golden/peakfit.txt); the helper prints the program's FindPeakFrequency per case.
if(EXISTS /usr/bin/python3)
  add_executable(peakfit_dump ${CMAKE_SOURCE_DIR}/tests/peer/peakfit_dump.cpp)
  target_include_directories(peakfit_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(peakfit_dump PRIVATE tervan_model)
  add_test(NAME peer_peakfit
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/peakfit.py --check $<TARGET_FILE:peakfit_dump>)
  set_tests_properties(peer_peakfit PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
endif()
