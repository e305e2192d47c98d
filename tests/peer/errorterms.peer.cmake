# The one-port and one-path solvers against scikit-rf's OnePort and TwoPortOnePath and numpy's
# weighted least squares: the script recomputes the committed golden file and compares; the C++
# side reads the same file (calibration_tests, ErrorTermsTest.cpp).
add_test(NAME peer_errorterms
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/errorterms.py --check)
set_tests_properties(peer_errorterms PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
