# The circles of a Smith chart of full scale 1 against impedance arithmetic in numpy: the script
# recomputes the committed golden file and compares; the C++ side finds the same circles among
# the arcs of a painted chart (display_tests, ChartAxesTest.cpp).
add_test(NAME peer_smithgrid
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/smithgrid.py --check)
set_tests_properties(peer_smithgrid PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
