# The calibration text export against Python's C-style number formatting ('%.12g', '%.9g'):
# the helper exports the committed sample values with the program's writer, the script compares
# its file with the one Python writes.
if(EXISTS /usr/bin/python3)
  add_executable(caltext_dump ${CMAKE_SOURCE_DIR}/tests/peer/caltext_dump.cpp)
  target_link_libraries(caltext_dump PRIVATE tervan_calibration)
  add_test(NAME peer_caltext
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/caltext.py --check $<TARGET_FILE:caltext_dump>)
  set_tests_properties(peer_caltext PROPERTIES LABELS "peer")
endif()
