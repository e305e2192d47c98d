# The binary calibration form against Python's struct and zlib.crc32: the script packs three
# sample forms (version-2 and version-1 extension, system grid) and compares them with the
# committed golden files, which calibration_tests (suite CalibrationForm) writes and reads.
add_test(NAME peer_calfiles
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/calfiles.py --check)
set_tests_properties(peer_calfiles PROPERTIES LABELS "peer")
