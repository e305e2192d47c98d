# The calibration module's flash layout against Python's struct and zlib.crc32 and numpy: the
# program decodes and thermally corrects the peer's image to the peer's values, and writes the
# same bytes from the ranges and codes it read.
if(EXISTS /usr/bin/python3)
  add_executable(ecal_flash_dump ${CMAKE_SOURCE_DIR}/tests/peer/ecal_flash_dump.cpp)
  target_link_libraries(ecal_flash_dump PRIVATE tervan_model)
  add_test(NAME peer_ecal_flash
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/ecal_flash.py --check $<TARGET_FILE:ecal_flash_dump>)
  set_tests_properties(peer_ecal_flash PROPERTIES LABELS "peer")
endif()
