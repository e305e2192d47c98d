# Touchstone files both ways with scikit-rf: the program's committed files (written again by
# touchstone_dump and compared byte for byte) read by scikit-rf, and scikit-rf's committed files
# read back by scikit-rf as the values file says. The program's reader is held to that values
# file by model_tests (Touchstone.ReadsScikitRfFiles).
if(EXISTS /usr/bin/python3)
  add_executable(touchstone_dump ${CMAKE_SOURCE_DIR}/tests/peer/touchstone_dump.cpp)
  target_include_directories(touchstone_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(touchstone_dump PRIVATE tervan_model)
  add_test(NAME peer_touchstone
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/touchstone.py --check $<TARGET_FILE:touchstone_dump>)
  set_tests_properties(peer_touchstone PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
endif()
