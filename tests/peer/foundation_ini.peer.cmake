# Python's codecs and configparser read what TMemIniFile writes and find the same sections,
# keys and values as a model of the writes kept by the script itself.
if(EXISTS /usr/bin/python3)
  add_executable(foundation_ini_tool ${CMAKE_SOURCE_DIR}/tests/peer/foundation_ini_tool.cpp)
  target_link_libraries(foundation_ini_tool PRIVATE tervan_model)
  add_test(NAME peer_foundation_ini
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/foundation_ini.py $<TARGET_FILE:foundation_ini_tool>)
  set_tests_properties(peer_foundation_ini PROPERTIES LABELS "peer")
endif()
