# Whole-trace and range statistics and flatness of a 401-point trace against numpy: the script
# recomputes the committed golden file and compares; the C++ side reads the same file
# (traces_tests, TraceAnalysisPeerTest.cpp).
add_test(NAME peer_analysis
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/analysis.py --check)
set_tests_properties(peer_analysis PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
