# Peer checks of the shared helpers: CRC-32 and the Windows-1251 table against Python's zlib and
# codecs, the complex matrix helpers against numpy and scikit-rf. Each test recomputes the
# committed golden file and compares; the C++ side reads the same files (model_tests).
add_test(NAME peer_foundation_crc
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/foundation_crc.py --check crc)
add_test(NAME peer_foundation_cp1251
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/foundation_crc.py --check cp1251)
add_test(NAME peer_foundation_matrix
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/foundation_matrix.py --check)
set_tests_properties(peer_foundation_crc peer_foundation_cp1251 peer_foundation_matrix
  PROPERTIES LABELS "peer")
set_tests_properties(peer_foundation_matrix PROPERTIES SKIP_RETURN_CODE 77)
