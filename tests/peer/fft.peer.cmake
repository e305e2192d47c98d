# numpy's FFT, unscaled inverse FFT and Kaiser window: the script recomputes the committed
# golden file and compares; the C++ side reads the same file (traces_tests, FftPeerTest.cpp).
add_test(NAME peer_fft
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/fft.py --check)
set_tests_properties(peer_fft PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
