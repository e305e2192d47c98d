# The demonstration emulator's generated table against scikit-rf's line-and-load model
# (golden/demo_data.txt holds every 50th row).
if(EXISTS /usr/bin/python3 AND DEFINED TERVAN_DEMO_DATA_DIR)
  add_test(NAME peer_demo_data
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/demo_data.py --check ${TERVAN_DEMO_DATA_DIR}/Emulation)
  set_tests_properties(peer_demo_data PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
endif()
