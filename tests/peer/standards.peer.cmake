# The standard models against scikit-rf (DefinedGammaZ0 lines, lumped terminations): the script
# recomputes the committed golden file and compares; the C++ side reads the same file
# (calibration_tests, StandardModelsTest.cpp).
add_test(NAME peer_standards
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/standards.py --check)
set_tests_properties(peer_standards PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
