# The binary stimulus records (segment, 40 bytes; stimulus record, 152 bytes) against Python's
# struct packing at the layout tables' offsets, both ways, and the segment file against Python's
# codecs and configparser. The helper writes what the program makes of the sample values.
if(EXISTS /usr/bin/python3)
  add_executable(records_dump ${CMAKE_SOURCE_DIR}/tests/peer/records_dump.cpp)
  target_include_directories(records_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(records_dump PRIVATE tervan_model)
  add_test(NAME peer_records
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/records.py --check $<TARGET_FILE:records_dump>)
  set_tests_properties(peer_records PROPERTIES LABELS "peer")
endif()
