# A user Open, Short, Load calibration against scikit-rf's OnePort: the script recomputes the
# committed golden file (float32 readings of seeded terms through the kit at position 3, and the
# solved terms) and compares; the running program calibrates from the same readings
# (calibration_ui_tests, UserCalDemo).
add_test(NAME peer_usercal
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/usercal.py --check)
set_tests_properties(peer_usercal PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
