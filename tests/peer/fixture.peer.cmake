# A channel's reference impedance conversion, fixture embedding and de-embedding against
# scikit-rf (renormalize_s, the cascade a ** D ** b and a.inv ** M ** b.inv) on random networks
# (golden/fixture.txt); the helper prints the program's S11 and S21 per case.
if(EXISTS /usr/bin/python3)
  add_executable(fixture_dump ${CMAKE_SOURCE_DIR}/tests/peer/fixture_dump.cpp)
  target_include_directories(fixture_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(fixture_dump PRIVATE tervan_model)
  add_test(NAME peer_fixture
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/fixture.py --check $<TARGET_FILE:fixture_dump>)
  set_tests_properties(peer_fixture PROPERTIES LABELS "peer")
endif()
